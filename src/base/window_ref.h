// A window as the core refers to it. The core never includes <windows.h>, so it holds a
// window handle as an opaque pointer; the Windows shell converts HWND to and from it.
#pragma once

using WindowRef = void*;
