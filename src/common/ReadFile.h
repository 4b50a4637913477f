#pragma once
// Reading a small file the program keeps (a template) without trusting it.
#include <cstddef>
#include <string>

namespace tessaro {

// The whole content of the regular file at `path`, at most `maxBytes` long.
// Anything else is refused before a byte is read, so reading never blocks or
// runs away: a folder, a pipe or a device ("不是普通文件"), or a longer file
// ("文件过大"). Throws Error with the reason alone; callers name the file.
std::string ReadSmallFile(const std::string& path, std::size_t maxBytes);

}  // namespace tessaro
