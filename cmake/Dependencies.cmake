# Third-party code, taken from the Debian packages and compiled or linked as it is.

# LZMA SDK (lzma-dev): the decoder for every target, the encoder for the packer.
set(LZMA_SDK_DIR /usr/include/lzma CACHE PATH "LZMA SDK sources (lzma-dev)")
if(NOT EXISTS ${LZMA_SDK_DIR}/LzmaDec.c)
  message(FATAL_ERROR "LZMA SDK sources not found in ${LZMA_SDK_DIR}: run scripts/setup")
endif()
add_library(lzma_sdk STATIC
  ${LZMA_SDK_DIR}/LzmaDec.c ${LZMA_SDK_DIR}/LzmaEnc.c ${LZMA_SDK_DIR}/LzFind.c)
target_include_directories(lzma_sdk SYSTEM PUBLIC ${LZMA_SDK_DIR})
# Single-threaded match finder: no LzFindMt, deterministic output.
target_compile_definitions(lzma_sdk PUBLIC _7ZIP_ST)
target_compile_options(lzma_sdk PRIVATE -w)
set_target_properties(lzma_sdk PROPERTIES POSITION_INDEPENDENT_CODE ON)

# libgcrypt for SM3: shared on the host, static for Windows.
add_library(gcrypt_sm3 INTERFACE)
if(WIN32)
  target_link_libraries(gcrypt_sm3 INTERFACE
    /usr/${TOOLCHAIN_PREFIX}/lib/libgcrypt.a /usr/${TOOLCHAIN_PREFIX}/lib/libgpg-error.a ws2_32)
else()
  find_library(GCRYPT_LIBRARY gcrypt REQUIRED)
  find_path(GCRYPT_INCLUDE_DIR gcrypt.h REQUIRED)
  target_include_directories(gcrypt_sm3 INTERFACE ${GCRYPT_INCLUDE_DIR})
  target_link_libraries(gcrypt_sm3 INTERFACE ${GCRYPT_LIBRARY})
endif()
