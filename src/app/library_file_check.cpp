#include "app/library_file_check.h"

#include <elf.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

bool readAt(int fd, void* into, std::size_t size, uint64_t offset) {
    auto* bytes = static_cast<char*>(into);
    while (size > 0) {
        const ssize_t n = pread(fd, bytes, size, off_t(offset));
        if (n <= 0) return false;
        bytes += n;
        size -= std::size_t(n);
        offset += uint64_t(n);
    }
    return true;
}

// Whether `count` entries of `entrySize` bytes from `offset` end within `fileSize`, without
// overflow.
bool fits(uint64_t offset, uint64_t count, uint64_t entrySize, uint64_t fileSize) {
    if (offset > fileSize) return false;
    if (entrySize != 0 && count > (fileSize - offset) / entrySize) return false;
    return true;
}

std::string beyond(const char* what, uint64_t fileSize) {
    return std::string(what) + " reach past the file's end (byte " + std::to_string(fileSize) + ")";
}

// The check for one ELF class: the 32- or 64-bit header, program and section header types.
template <typename Header, typename ProgramHeader, typename SectionHeader>
std::optional<std::string> checkObject(int fd, uint64_t fileSize) {
    Header header;
    if (fileSize < sizeof header || !readAt(fd, &header, sizeof header, 0)) {
        return "shorter than its ELF header";
    }
    if (header.e_phentsize != sizeof(ProgramHeader) ||
        (header.e_shnum != 0 && header.e_shentsize != sizeof(SectionHeader))) {
        return std::string("its header declares entries of unknown sizes");
    }
    if (!fits(header.e_phoff, header.e_phnum, sizeof(ProgramHeader), fileSize)) {
        return beyond("its program headers", fileSize);
    }
    if (!fits(header.e_shoff, header.e_shnum, sizeof(SectionHeader), fileSize)) {
        return beyond("its section headers", fileSize);
    }
    std::vector<ProgramHeader> segments(header.e_phnum);
    if (!segments.empty() &&
        !readAt(fd, segments.data(), segments.size() * sizeof(ProgramHeader), header.e_phoff)) {
        return std::string("its program headers cannot be read");
    }
    for (const ProgramHeader& segment : segments) {
        if (!fits(segment.p_offset, 1, segment.p_filesz, fileSize)) {
            return beyond("its segments", fileSize);
        }
    }
    std::vector<SectionHeader> sections(header.e_shnum);
    if (!sections.empty() &&
        !readAt(fd, sections.data(), sections.size() * sizeof(SectionHeader), header.e_shoff)) {
        return std::string("its section headers cannot be read");
    }
    for (const SectionHeader& section : sections) {
        if (section.sh_type == SHT_NOBITS) continue;  // takes no room in the file
        if (!fits(section.sh_offset, 1, section.sh_size, fileSize)) {
            return beyond("its sections", fileSize);
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> incompleteLibraryProblem(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    struct stat info {};
    std::optional<std::string> problem;
    unsigned char ident[EI_NIDENT] = {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        problem = "not a regular file";
    } else if (!readAt(fd, ident, sizeof ident, 0) || std::memcmp(ident, ELFMAG, SELFMAG) != 0) {
        problem = "not an ELF object (" + std::to_string(info.st_size) + " bytes)";
    } else if (ident[EI_CLASS] == ELFCLASS64) {
        problem = checkObject<Elf64_Ehdr, Elf64_Phdr, Elf64_Shdr>(fd, uint64_t(info.st_size));
    } else if (ident[EI_CLASS] == ELFCLASS32) {
        problem = checkObject<Elf32_Ehdr, Elf32_Phdr, Elf32_Shdr>(fd, uint64_t(info.st_size));
    } else {
        problem = "an ELF object of unknown class";
    }
    close(fd);
    return problem;
}
