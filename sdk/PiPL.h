/* Keys of the plug-in property list ("PIPL") that describes an effect before its code runs. Four
 * character codes are stored as little-endian 32-bit integers. */
#ifndef PLENORIUM_SDK_PIPL_H
#define PLENORIUM_SDK_PIPL_H

#include "AE_Effect.h"

#define PIPL_RESOURCE_TYPE "PIPL"
#define PIPL_RESOURCE_ID 16000
#define PIPL_RESOURCE_LANGUAGE 1033

#define PIPL_VENDOR_HOST PF_FOURCC('8', 'B', 'I', 'M')
#define PIPL_KEY_KIND PF_FOURCC('k', 'i', 'n', 'd')
#define PIPL_KEY_NAME PF_FOURCC('n', 'a', 'm', 'e')
#define PIPL_KEY_CATEGORY PF_FOURCC('c', 'a', 't', 'g')
#define PIPL_KEY_ENTRY_POINT_WIN64 PF_FOURCC('8', '6', '6', '4')
#define PIPL_KEY_PIPL_VERSION PF_FOURCC('e', 'P', 'V', 'R')
#define PIPL_KEY_SPEC_VERSION PF_FOURCC('e', 'S', 'V', 'R')
#define PIPL_KEY_VERSION PF_FOURCC('e', 'V', 'E', 'R')
#define PIPL_KEY_INFO_FLAGS PF_FOURCC('e', 'I', 'N', 'F')
#define PIPL_KEY_GLOBAL_FLAGS PF_FOURCC('e', 'G', 'L', 'O')
#define PIPL_KEY_GLOBAL_FLAGS2 PF_FOURCC('e', 'G', 'L', '2')
#define PIPL_KEY_MATCH_NAME PF_FOURCC('e', 'M', 'N', 'A')
#define PIPL_KEY_AE_FLAGS PF_FOURCC('a', 'e', 'F', 'L')
#define PIPL_KIND_AE_EFFECT PF_FOURCC('e', 'F', 'K', 'T')

#endif
