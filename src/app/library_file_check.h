#pragma once
// Whether a shared library's file is whole before it is loaded. An interrupted install or
// upgrade leaves a file cut short; the dynamic loader maps it as its headers declare and the
// process dies of SIGBUS at the first page past the end, with no word to the host. The headers
// are read with plain reads (no mapping), so a file cut short meanwhile cannot hurt either.

#include <optional>
#include <string>

// Why the ELF object at `path` is not complete: its size does not cover the ELF header, the
// program headers, the section headers or the contents they declare, or it is no ELF object of
// ours. Nothing when it looks whole, or when it cannot be opened (the loader then says why).
std::optional<std::string> incompleteLibraryProblem(const std::string& path);
