// The Authorization Services calls of the Security framework, as Apple documents them
// (Security/Authorization.h). Only what the monitor uses, and its neighbours.
#pragma once

#include <MacTypes.h>
#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

#pragma clang assume_nonnull begin

typedef const struct AuthorizationOpaqueRef* AuthorizationRef;
typedef const char* AuthorizationString;

typedef struct {
    AuthorizationString name;
    size_t valueLength;
    void* _Nullable value;
    UInt32 flags;
} AuthorizationItem;

typedef struct {
    UInt32 count;
    AuthorizationItem* _Nullable items;
} AuthorizationItemSet;

typedef AuthorizationItemSet AuthorizationRights;
typedef AuthorizationItemSet AuthorizationEnvironment;

typedef UInt32 AuthorizationFlags;
enum : UInt32 {
    kAuthorizationFlagDefaults = 0,
    kAuthorizationFlagInteractionAllowed = (1 << 0),
    kAuthorizationFlagExtendRights = (1 << 1),
    kAuthorizationFlagPartialRights = (1 << 2),
    kAuthorizationFlagDestroyRights = (1 << 3),
    kAuthorizationFlagPreAuthorize = (1 << 4),
    kAuthorizationFlagNoData = (1 << 20),
};

enum : OSStatus {
    errAuthorizationSuccess = 0,
    errAuthorizationInvalidSet = -60001,
    errAuthorizationInvalidRef = -60002,
    errAuthorizationInvalidTag = -60003,
    errAuthorizationInvalidPointer = -60004,
    errAuthorizationDenied = -60005,
    errAuthorizationCanceled = -60006,
    errAuthorizationInteractionNotAllowed = -60007,
    errAuthorizationInternal = -60008,
    errAuthorizationExternalizeNotAllowed = -60009,
    errAuthorizationInternalizeNotAllowed = -60010,
    errAuthorizationInvalidFlags = -60011,
};

OSStatus AuthorizationCreate(const AuthorizationRights* _Nullable rights,
                             const AuthorizationEnvironment* _Nullable environment,
                             AuthorizationFlags flags,
                             AuthorizationRef _Nullable* _Nullable authorization);

OSStatus AuthorizationFree(AuthorizationRef authorization, AuthorizationFlags flags);

OSStatus AuthorizationCopyRights(AuthorizationRef authorization, const AuthorizationRights* rights,
                                 const AuthorizationEnvironment* _Nullable environment,
                                 AuthorizationFlags flags,
                                 AuthorizationRights* _Nullable* _Nullable authorizedRights);

OSStatus AuthorizationFreeItemSet(AuthorizationItemSet* set);

#pragma clang assume_nonnull end

#ifdef __cplusplus
}
#endif
