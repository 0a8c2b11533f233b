// The counting allocation functions. With the GNU C library the C allocation functions are
// replaced too (forwarding to the library's own), so that an allocation made with malloc is
// seen as well as one made with new; operator new then takes its memory from the library
// directly, so that one allocation counts once.
#include "heap_count.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<uint64_t> allocations{0};
std::atomic<bool> counting{false};

void Count() {
    if (counting.load(std::memory_order_relaxed)) allocations.fetch_add(1, std::memory_order_relaxed);
}

}  // namespace

#if defined(__GLIBC__)
extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* p, size_t size);
void __libc_free(void* p);

void* malloc(size_t size) {
    Count();
    return __libc_malloc(size);
}
void* calloc(size_t count, size_t size) {
    Count();
    return __libc_calloc(count, size);
}
void* realloc(void* p, size_t size) {
    Count();
    return __libc_realloc(p, size);
}
void free(void* p) { __libc_free(p); }
}
#define TOLVANE_RAW_MALLOC __libc_malloc
#define TOLVANE_RAW_FREE __libc_free
#else
#define TOLVANE_RAW_MALLOC std::malloc
#define TOLVANE_RAW_FREE std::free
#endif

namespace {

void* Allocate(std::size_t size) {
    Count();
    void* p = TOLVANE_RAW_MALLOC(size ? size : 1);
    if (!p) throw std::bad_alloc();
    return p;
}

}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    Count();
    return TOLVANE_RAW_MALLOC(size ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    Count();
    return TOLVANE_RAW_MALLOC(size ? size : 1);
}
void operator delete(void* p) noexcept { TOLVANE_RAW_FREE(p); }
void operator delete[](void* p) noexcept { TOLVANE_RAW_FREE(p); }
void operator delete(void* p, std::size_t) noexcept { TOLVANE_RAW_FREE(p); }
void operator delete[](void* p, std::size_t) noexcept { TOLVANE_RAW_FREE(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { TOLVANE_RAW_FREE(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { TOLVANE_RAW_FREE(p); }

namespace test {

uint64_t HeapAllocations() { return allocations.load(); }

void SetHeapCounting(bool on) { counting.store(on); }

UncountedScope::UncountedScope() : was_(counting.exchange(false)) {}

UncountedScope::~UncountedScope() { counting.store(was_); }

uint32_t UncountedRas::RasEnumEntriesA(const char* reserved, const char* phonebook, RASENTRYNAMEA* entries,
                                       uint32_t* bytes, uint32_t* count) {
    UncountedScope paused;
    return inner_.RasEnumEntriesA(reserved, phonebook, entries, bytes, count);
}

uint32_t UncountedRas::RasEnumConnectionsA(RASCONNA* conns, uint32_t* bytes, uint32_t* count) {
    UncountedScope paused;
    return inner_.RasEnumConnectionsA(conns, bytes, count);
}

uint32_t UncountedRas::RasGetConnectStatusA(HRASCONN conn, RASCONNSTATUSA* status) {
    UncountedScope paused;
    return inner_.RasGetConnectStatusA(conn, status);
}

uint32_t UncountedRas::RasHangUpA(HRASCONN conn) {
    UncountedScope paused;
    return inner_.RasHangUpA(conn);
}

uint32_t UncountedRas::RasDialA(void* extensions, const char* phonebook, RASDIALPARAMSA* params,
                                uint32_t notifierType, RasDialFunc notifier, HRASCONN* conn) {
    UncountedScope paused;
    return inner_.RasDialA(extensions, phonebook, params, notifierType, notifier, conn);
}

uint32_t UncountedRas::RasGetErrorStringA(unsigned code, char* buffer, uint32_t size) {
    UncountedScope paused;
    return inner_.RasGetErrorStringA(code, buffer, size);
}

uint32_t UncountedRas::RasGetEntryDialParamsA(const char* phonebook, RASDIALPARAMSA* params, int* passwordSaved) {
    UncountedScope paused;
    return inner_.RasGetEntryDialParamsA(phonebook, params, passwordSaved);
}

uint32_t UncountedRas::RasSetEntryDialParamsA(const char* phonebook, RASDIALPARAMSA* params, int removePassword) {
    UncountedScope paused;
    return inner_.RasSetEntryDialParamsA(phonebook, params, removePassword);
}

uint32_t UncountedRas::RasGetEntryPropertiesA(const char* phonebook, const char* entry, RASENTRYA* entryInfo,
                                              uint32_t* entryInfoSize, uint8_t* deviceInfo,
                                              uint32_t* deviceInfoSize) {
    UncountedScope paused;
    return inner_.RasGetEntryPropertiesA(phonebook, entry, entryInfo, entryInfoSize, deviceInfo, deviceInfoSize);
}

}  // namespace test
