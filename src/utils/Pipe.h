#pragma once

#include "utils/Handles.h"

namespace Utils {

// One anonymous pipe with both ends inheritable. Throws Utils::Exception when the pipe cannot
// be created (nothing is left open then).
class Pipe {
public:
    Pipe();

    // Closes both ends that are still open.
    void Close();

    UniqueHandle write;
    UniqueHandle read;
};

} // namespace Utils
