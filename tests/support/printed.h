#pragma once

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

namespace vz::test {

/// Everything `write` prints to the stream it is handed, as the terminal would get it.
inline std::string printedBy(const std::function<void(std::FILE*)>& write)
{
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* out = ::open_memstream(&buffer, &size);
    write(out);
    std::fclose(out);
    std::string printed(buffer, size);
    std::free(buffer);
    return printed;
}

} // namespace vz::test
