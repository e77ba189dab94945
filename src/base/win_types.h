#pragma once
// The handful of Windows scalar types the foundation classes speak in. On
// Windows they come from <windows.h> itself so that both spellings mix freely;
// elsewhere they are defined with the same sizes and signedness.

#ifdef _WIN32
#include <windows.h>
#else
#include <cstdint>

typedef int BOOL;
typedef std::uint8_t BYTE;
typedef std::uint16_t WORD;
typedef std::uint32_t DWORD;
typedef std::int32_t LONG;
typedef std::uint32_t UINT;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif
#endif
