#pragma once
/* Result codes of the signature library. They look random on purpose: a
   stray integer is never mistaken for success. Every operation also leaves its
   code in the status node of the list or context it was given. */
#include <stdint.h>

typedef uint32_t SGVR_RESULT;

#define SGVR_OK                     0xE9BA5770u
#define SGVR_E_NOT_INITIALISED      0xD10CC37Au /* no memory callbacks, or a failed creation */
#define SGVR_E_INVALID_ARG          0x5AAEEAE0u /* missing pointer, zero size, wrong kind of entry */
#define SGVR_E_NO_MEMORY            0x6EB9A4A4u
#define SGVR_E_BUFFER_TOO_SMALL     0x504DE1B9u /* the size needed comes back in the size argument */
#define SGVR_E_NO_OBJECT            0xA200485Bu /* no (further) entry of a checkable kind */
#define SGVR_E_NO_PARAM             0xDDEE3E3Du
#define SGVR_E_CONSISTENCY          0xC58506EDu /* at least one entry could not be verified */
#define SGVR_E_REGISTRY_REJECTED    0xE75ABF28u /* wrong id in the tree, or unreadable contents */
#define SGVR_E_NO_MATCH             0x8F995FFDu /* no registry or registry entry matched */
#define SGVR_E_ALREADY_IN_SET       0xF06901C5u /* internal; counts as success */
#define SGVR_E_SECOND_UNFLAGGED     0xDEC30EBEu /* a second registry of one id without the flag */
#define SGVR_E_AMBIGUOUS_INDEX      0x474677E6u /* an index hint with more than one registry of the id */
#define SGVR_E_INDEX_BEYOND_LIST    0xBB25EA66u
#define SGVR_S_UNDER_CHECK          0x9CEF5380u /* check under way, or no hash could be made */
#define SGVR_S_NOT_CHECKED          0x7051B0ACu
#define SGVR_E_NO_TRAILER           0x08CD9BACu
#define SGVR_E_SIGNATURE_MISMATCH   0x38F3542Du
#define SGVR_E_SIGNATURE_UNUSABLE   0xA0F61271u
#define SGVR_E_HASH_NO_MEMORY       0x9F1E269Cu
#define SGVR_E_READ_CALLBACK        0x96BDEA9Fu
#define SGVR_E_IMAGE_MISSING        0xDEABF3F6u
#define SGVR_E_IMAGE_NOT_REGISTRY   0xC2FEF413u
#define SGVR_E_IMAGE_VERSION        0x2A592774u
#define SGVR_E_IMAGE_WRONG_ID       0x4EF35E4Du
#define SGVR_E_IMAGE_UNREADABLE     0xFD6EB8BEu
#define SGVR_E_NO_KEY               0x408B1C02u
#define SGVR_E_NO_FILE_ACCESS       0x04529DA3u
#define SGVR_E_FILE_OPEN            0x3D0507BDu
#define SGVR_E_FILE_SIZE            0x14064F2Au
#define SGVR_E_FILE_READ            0x7D11F7E2u
