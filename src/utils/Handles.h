#pragma once

#include "utils/UniqueResource.h"

#include <cstdio>

// The owning types for the Win32 and runtime resources the installer uses. Each is the only
// place its release call is made.
namespace Utils {

namespace Traits {

// Kernel objects whose "none" value is null (threads, processes, events, mutexes, pipes).
struct KernelHandle {
    using pointer = HANDLE;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer h) noexcept { ::CloseHandle(h); }
};

// Kernel objects whose "none" value is INVALID_HANDLE_VALUE (CreateFileW, snapshots).
struct FileHandle {
    using pointer = HANDLE;
    static pointer invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(pointer h) noexcept { ::CloseHandle(h); }
};

struct FindHandle {
    using pointer = HANDLE;
    static pointer invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(pointer h) noexcept { ::FindClose(h); }
};

struct RegKey {
    using pointer = HKEY;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer h) noexcept { ::RegCloseKey(h); }
};

struct Module {
    using pointer = HMODULE;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer h) noexcept { ::FreeLibrary(h); }
};

// Any GDI object released with DeleteObject (HBITMAP, HFONT, HRGN, HBRUSH, HPEN).
template <class T> struct GdiObject {
    using pointer = T;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer h) noexcept { ::DeleteObject(h); }
};

// A memory device context made by CreateCompatibleDC / CreateDCW.
struct MemoryDc {
    using pointer = HDC;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer h) noexcept { ::DeleteDC(h); }
};

struct LocalMemory {
    using pointer = HLOCAL;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer h) noexcept { ::LocalFree(h); }
};

struct CFile {
    using pointer = FILE*;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer f) noexcept { std::fclose(f); }
};

} // namespace Traits

using UniqueHandle = UniqueResource<Traits::KernelHandle>;
using UniqueFile = UniqueResource<Traits::FileHandle>;
using UniqueFind = UniqueResource<Traits::FindHandle>;
using UniqueRegKey = UniqueResource<Traits::RegKey>;
using UniqueModule = UniqueResource<Traits::Module>;
using UniqueBitmap = UniqueResource<Traits::GdiObject<HBITMAP>>;
using UniqueFont = UniqueResource<Traits::GdiObject<HFONT>>;
using UniqueRegion = UniqueResource<Traits::GdiObject<HRGN>>;
using UniqueBrush = UniqueResource<Traits::GdiObject<HBRUSH>>;
using UniqueMemoryDc = UniqueResource<Traits::MemoryDc>;
using UniqueLocal = UniqueResource<Traits::LocalMemory>;
using UniqueCFile = UniqueResource<Traits::CFile>;

} // namespace Utils
