// Forced into every C++ source of the release build of Tolvane.exe. libstdc++ declares its
// std::string members as instantiated in the library, whose copy is built with exceptions and
// so brings the unwinder and the exception classes with it. Turned off here, the members are
// instantiated in our own objects, compiled without exceptions, and the linker keeps only the
// ones the program uses.
#pragma once
#ifdef __cplusplus
#include <bits/c++config.h>
#undef _GLIBCXX_EXTERN_TEMPLATE
#define _GLIBCXX_EXTERN_TEMPLATE 0
#endif
