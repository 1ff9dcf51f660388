// Fuzz target: the archive check and the walk that extraction makes after it,
// on any bytes. Whatever Check accepts must walk inside the input (the address
// sanitizer sees every read) and hand out only names the rule accepts.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "setup/Glom.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > 0xFFFFFFFFu)
        return 0;
    volatile unsigned sink = Glom::Sum(data, unsigned(size));
    if (Glom::Check(data, unsigned(size)))
        return 0;
    std::size_t total = 0;
    for (Glom::Walk m(data); m.Next();) {
        if (Glom::NameProblem(m.name) || std::strlen(m.name) > Glom::NAME_MAX)
            __builtin_trap();
        if (m.data < data || m.len > size || m.data + m.len > data + size)
            __builtin_trap();
        for (unsigned i = 0; i < m.len; ++i)
            sink = sink + m.data[i];
        total += m.len;
    }
    if (total > size)
        __builtin_trap();
    return 0;
}
