#ifndef LAUNCHER_ANIMATION_STARTUP_ANIMATION_H_
#define LAUNCHER_ANIMATION_STARTUP_ANIMATION_H_

namespace corvane {

class FilePath;

// Plays "startup_animation" of |version_dir| on this thread until the client
// signals that it is ready, its process (|client_process|, borrowed) ends,
// 30 s pass, or the user ends it; then reports how it went. Never fails the
// launch.
void PlayStartupAnimation(const FilePath& version_dir, void* client_process);

}  // namespace corvane

#endif  // LAUNCHER_ANIMATION_STARTUP_ANIMATION_H_
