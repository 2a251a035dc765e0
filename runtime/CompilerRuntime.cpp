// Replacements, for the module alone, of compiler-runtime functions whose
// library versions would link far more than they do here.
#include <cstdlib>
#include <string>

#include "Errors.h"

namespace __gnu_cxx {
// The library's default names the exception's type, which links its whole
// demangler (a sixth of the module). A module never prints to a console
// anyway; ours ends the process as that one does.
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

// The containers report a failed allocation, a size past their limit or a
// position past a string's end through these. The library's versions build standard
// exceptions whose texts link a second, reference-counted string
// implementation; ours raise the platform's errors, which the host and the
// error box already report.
namespace std {
void __throw_bad_alloc() { runtime::ThrowOutOfMemory(); }
void __throw_bad_array_new_length() { runtime::ThrowOutOfMemory(); }
void __throw_length_error(const char*) { runtime::ThrowOutOfMemory(); }
void __throw_logic_error(const char* what) { throw runtime::Exception(runtime::LongString(what)); }
void __throw_out_of_range_fmt(const char* format, ...) { throw runtime::Exception(runtime::LongString(format)); }
}  // namespace std
