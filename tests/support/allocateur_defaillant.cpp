// A test-only global allocator that can be told to fail one allocation, and
// that counts the blocks still alive, so a test sees both the failure path
// and what it left behind. On Linux it is linked into the test program and
// replaces operator new for the whole process, the loaded module included;
// on Windows the module carries its own C++ runtime, so it is linked into a
// test build of the module instead.
#include <atomic>
#include <cstdlib>
#include <new>

#if defined(_WIN32)
#define EXPORT_ESSAI extern "C" __declspec(dllexport) // beside the product's .def exports
#else
#define EXPORT_ESSAI extern "C" __attribute__((visibility("default")))
#endif

namespace {

std::atomic<long> rangEchec{-1};
std::atomic<long> faites{0};
std::atomic<long> vivantes{0};

void* Allouer(std::size_t taille) noexcept {
    const long rang = faites.fetch_add(1);
    if (rang == rangEchec.load()) return nullptr;
    void* bloc = std::malloc(taille != 0 ? taille : 1);
    if (bloc != nullptr) vivantes.fetch_add(1);
    return bloc;
}

void Liberer(void* bloc) noexcept {
    if (bloc == nullptr) return;
    vivantes.fetch_sub(1);
    std::free(bloc);
}

} // namespace

// Fails the allocation numbered `rang`, counting from 0 at this call;
// -1 fails none.
EXPORT_ESSAI void EssaiEchouerAllocation(long rang) {
    faites = 0;
    rangEchec = rang;
}
EXPORT_ESSAI long EssaiAllocationsFaites() { return faites; }
EXPORT_ESSAI long EssaiAllocationsVivantes() { return vivantes; }

void* operator new(std::size_t taille) {
    if (void* bloc = Allouer(taille)) return bloc;
    throw std::bad_alloc();
}
void* operator new[](std::size_t taille) { return operator new(taille); }
void* operator new(std::size_t taille, const std::nothrow_t&) noexcept { return Allouer(taille); }
void* operator new[](std::size_t taille, const std::nothrow_t&) noexcept { return Allouer(taille); }
void operator delete(void* bloc) noexcept { Liberer(bloc); }
void operator delete[](void* bloc) noexcept { Liberer(bloc); }
void operator delete(void* bloc, std::size_t) noexcept { Liberer(bloc); }
void operator delete[](void* bloc, std::size_t) noexcept { Liberer(bloc); }
void operator delete(void* bloc, const std::nothrow_t&) noexcept { Liberer(bloc); }
void operator delete[](void* bloc, const std::nothrow_t&) noexcept { Liberer(bloc); }
