#ifndef BASE_WIN_SCOPED_COM_INITIALIZER_H_
#define BASE_WIN_SCOPED_COM_INITIALIZER_H_

namespace corvane {
namespace win {

// CoInitialize(NULL) on this thread for the object's lifetime; undone only
// when it succeeded.
class ScopedComInitializer {
 public:
  ScopedComInitializer();
  ~ScopedComInitializer();
  ScopedComInitializer(const ScopedComInitializer&) = delete;
  ScopedComInitializer& operator=(const ScopedComInitializer&) = delete;

  bool Succeeded() const { return succeeded_; }

 private:
  bool succeeded_ = false;
};

}  // namespace win
}  // namespace corvane

#endif  // BASE_WIN_SCOPED_COM_INITIALIZER_H_
