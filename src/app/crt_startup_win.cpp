// What mingw's start-up code of Tolvane.exe and TolvaneLog.exe refers to and the programs have
// no use for, defined here so that the library's versions stay out of them.
//
// The relocator patches the references to data imported from a DLL without dllimport. The
// program is linked with --disable-auto-import, so the linker refuses any such reference and
// there are none to patch; the library's relocator (with its section walker and its messages
// through vfprintf) would find an empty list.
extern "C" void _pei386_runtime_relocator() {}

// The start-up names the math error hook, but installs it only when asked to at build time,
// which the program is not; the library's version reports through fprintf to stderr.
struct _exception;
extern "C" int __cdecl _matherr(_exception*) { return 0; }
