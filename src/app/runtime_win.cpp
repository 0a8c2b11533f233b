// The C++ runtime's failure paths, for Tolvane.exe. The program catches no exception, so a
// failure the library would throw for (memory exhausted, a length past a string's limit) can
// only end it; here it ends at once. Defined here, the library's own versions,
// which throw, stay out of the program, and with them the unwinder, the exception classes and
// the demangler of the terminate handler that reports an uncaught exception.
#include <windows.h>

#include <cstdlib>
#include <new>

namespace {

// Not abort(): in a GUI program msvcrt's first shows a task-modal box, whose message loop
// runs the monitor timer, so ticks would hang lines up and write logs in a program that is
// already failing. Ended by the system instead, with abort()'s exit code.
[[noreturn]] void Fail() {
    TerminateProcess(GetCurrentProcess(), 3);
    std::abort();  // not reached
}

void* Allocate(std::size_t size) {
    void* p = std::malloc(size ? size : 1);
    if (!p) Fail();
    return p;
}

}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return std::malloc(size ? size : 1); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return std::malloc(size ? size : 1); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

// What the standard containers, strings and std::function call where they would throw.
namespace std {
void __throw_bad_alloc() { Fail(); }
void __throw_bad_array_new_length() { Fail(); }
void __throw_bad_function_call() { Fail(); }
void __throw_length_error(const char*) { Fail(); }
void __throw_logic_error(const char*) { Fail(); }
void __throw_out_of_range(const char*) { Fail(); }
void __throw_out_of_range_fmt(const char*, ...) { Fail(); }
void __throw_invalid_argument(const char*) { Fail(); }
}  // namespace std
