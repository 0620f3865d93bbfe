// Keeps this module mapped for the rest of the process's life.

#ifndef ORVEX_SRC_MODULE_PIN_H_
#define ORVEX_SRC_MODULE_PIN_H_

namespace corvane {

// Once the SDK holds the result callback, SDK threads may call into this
// module at any time, also after the environment that loaded it (a Worker)
// has ended and the host would unload it. Pinning keeps the module, and the
// SDK library it imports, loaded until the process exits. Idempotent; false
// when the platform refused (the module then stays as loaded before).
bool PinThisModule();

}  // namespace corvane

#endif  // ORVEX_SRC_MODULE_PIN_H_
