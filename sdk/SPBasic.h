/* The PICA basic suite: the one table through which a plug-in acquires every other suite. */
#ifndef PLENORIUM_SDK_SPBASIC_H
#define PLENORIUM_SDK_SPBASIC_H

#include <stddef.h>

#include "A.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef int32_t int32;
typedef int32 SPErr;
typedef int32 SPBoolean;

#define kSPNoError 0
/* 'S!Fd' : the named suite at that version does not exist. */
#define kSPSuiteNotFoundError ((SPErr)0x53214664)

typedef struct SPBasicSuite {
  SPErr (*AcquireSuite)(const char* name, int32 version, const void** suite);
  SPErr (*ReleaseSuite)(const char* name, int32 version);
  SPBoolean (*IsEqual)(const char* token1, const char* token2);
  SPErr (*AllocateBlock)(size_t size, void** block);
  SPErr (*FreeBlock)(void* block);
  SPErr (*ReallocateBlock)(void* block, size_t newSize, void** newblock);
  SPErr (*Undefined)(void);
} SPBasicSuite;

#ifdef __cplusplus
}
#endif

#endif
