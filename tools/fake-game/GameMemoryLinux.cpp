#include <sys/mman.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>

#include "GameMemory.h"

bool ProvideGameMemory(bool withSignature) {
    prctl(PR_SET_NAME, "gta-vc.exe");
    constexpr std::uintptr_t kStart = 0x780000;
    constexpr std::uintptr_t kEnd = 0xA11000;
    void* memory = mmap(reinterpret_cast<void*>(kStart), kEnd - kStart, PROT_READ | PROT_WRITE,
                        MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED_NOREPLACE, -1, 0);
    if (memory != reinterpret_cast<void*>(kStart)) {
        std::perror("gta-vc.exe: cannot map the game's addresses");
        return false;
    }
    if (withSignature) {
        // The page of the executable's signature, as the real executable has it.
        constexpr std::uintptr_t kSignaturePage = 0x61C000;
        void* page = mmap(reinterpret_cast<void*>(kSignaturePage), 0x1000, PROT_READ | PROT_WRITE,
                          MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED_NOREPLACE, -1, 0);
        if (page != reinterpret_cast<void*>(kSignaturePage)) {
            std::perror("gta-vc.exe: cannot map the signature's page");
            return false;
        }
    }
    return true;
}

void NameProcess(const std::string& name) {
    prctl(PR_SET_NAME, name.c_str());
}

unsigned CurrentProcessId() {
    return static_cast<unsigned>(getpid());
}

std::string MainWindowControlText(int) {
    return {};
}

std::string LibraryControlText(int) {
    return {};
}

void SetLibraryControlText(int, const std::string&) {}

std::string MainWindowButtonChecked(int) {
    return "0";
}
