# Imported targets for the cross-built third-party libraries in .deps/ (made by scripts/build-deps).
set(LUMACUT_DEPS_DIR ${CMAKE_SOURCE_DIR}/.deps CACHE PATH "Where scripts/build-deps put the dependencies")
set(DEPS_PREFIX ${LUMACUT_DEPS_DIR}/i686)
set(MINGW_ROOT /usr/i686-w64-mingw32)

foreach(stamp curl jsoncpp googletest lzma stb)
  if(NOT EXISTS ${LUMACUT_DEPS_DIR}/stamps/${stamp})
    message(FATAL_ERROR "Dependency '${stamp}' is not built: run scripts/setup (or scripts/build-deps)")
  endif()
endforeach()

function(deps_static_library name file)
  add_library(${name} STATIC IMPORTED GLOBAL)
  set_target_properties(${name} PROPERTIES IMPORTED_LOCATION ${file})
endfunction()

# zlib, static, from libz-mingw-w64-dev.
deps_static_library(deps::zlib ${MINGW_ROOT}/lib/libz.a)
set_target_properties(deps::zlib PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${MINGW_ROOT}/include)

# libcurl with Schannel and zlib.
deps_static_library(deps::curl ${DEPS_PREFIX}/lib/libcurl.a)
set_target_properties(deps::curl PROPERTIES
  INTERFACE_INCLUDE_DIRECTORIES ${DEPS_PREFIX}/include
  INTERFACE_COMPILE_DEFINITIONS CURL_STATICLIB
  INTERFACE_LINK_LIBRARIES "deps::zlib;ws2_32;crypt32;bcrypt;advapi32;secur32;winmm")
set(LUMACUT_CURL_EXE ${DEPS_PREFIX}/bin/curl.exe)

deps_static_library(deps::jsoncpp ${DEPS_PREFIX}/lib/libjsoncpp.a)
set_target_properties(deps::jsoncpp PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${DEPS_PREFIX}/include)

deps_static_library(deps::gtest ${DEPS_PREFIX}/lib/libgtest.a)
set_target_properties(deps::gtest PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${DEPS_PREFIX}/include)
deps_static_library(deps::gtest_main ${DEPS_PREFIX}/lib/libgtest_main.a)
set_target_properties(deps::gtest_main PROPERTIES INTERFACE_LINK_LIBRARIES deps::gtest)
deps_static_library(deps::gmock ${DEPS_PREFIX}/lib/libgmock.a)
set_target_properties(deps::gmock PROPERTIES INTERFACE_LINK_LIBRARIES deps::gtest)

# stb_image: header only; exactly one source file of ours defines STB_IMAGE_IMPLEMENTATION.
add_library(deps::stb INTERFACE IMPORTED GLOBAL)
set_target_properties(deps::stb PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${LUMACUT_DEPS_DIR}/stb)

# The LZMA SDK's 7z decoder, compiled from Debian's 7zip sources (only when something links it).
set(LZMA_C ${LUMACUT_DEPS_DIR}/lzma/C)
add_library(lzma_sdk STATIC EXCLUDE_FROM_ALL
  ${LZMA_C}/7zAlloc.c ${LZMA_C}/7zArcIn.c ${LZMA_C}/7zBuf.c ${LZMA_C}/7zCrc.c ${LZMA_C}/7zCrcOpt.c
  ${LZMA_C}/7zDec.c ${LZMA_C}/7zStream.c ${LZMA_C}/Bcj2.c ${LZMA_C}/Bra.c ${LZMA_C}/Bra86.c
  ${LZMA_C}/BraIA64.c ${LZMA_C}/CpuArch.c ${LZMA_C}/Delta.c ${LZMA_C}/Lzma2Dec.c ${LZMA_C}/LzmaDec.c
  ${LZMA_C}/Ppmd7.c ${LZMA_C}/Ppmd7Dec.c)
target_include_directories(lzma_sdk SYSTEM PUBLIC ${LZMA_C})
target_compile_definitions(lzma_sdk PRIVATE Z7_PPMD_SUPPORT)
add_library(deps::lzma ALIAS lzma_sdk)
