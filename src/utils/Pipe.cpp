#include "utils/Pipe.h"

#include "utils/Exception.h"

namespace Utils {

Pipe::Pipe()
{
    SECURITY_ATTRIBUTES attributes{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    if (!CreatePipe(read.put(), write.put(), &attributes, 0)) {
        Close();
        throw Exception(L"");
    }
}

void Pipe::Close()
{
    write.reset();
    read.reset();
}

} // namespace Utils
