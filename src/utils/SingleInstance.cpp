#include "utils/SingleInstance.h"

namespace Utils {

void SingleInstance::Acquire()
{
    if (m_mutex) return;
    UniqueHandle mutex(CreateMutexW(nullptr, TRUE, (kMutexPrefix + m_name).c_str()));
    if (mutex && GetLastError() != ERROR_ALREADY_EXISTS) m_mutex = std::move(mutex);
}

void SingleInstance::Release()
{
    if (!m_mutex) return;
    ReleaseMutex(m_mutex.get());
    m_mutex.reset();
}

} // namespace Utils
