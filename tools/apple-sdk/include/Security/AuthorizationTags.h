// The names of authorization items and environment entries (Security/AuthorizationTags.h).
#pragma once

#define kAuthorizationEnvironmentUsername "username"
#define kAuthorizationEnvironmentPassword "password"
#define kAuthorizationEnvironmentShared "shared"
#define kAuthorizationEnvironmentPrompt "prompt"
#define kAuthorizationEnvironmentIcon "icon"
#define kAuthorizationRightExecute "system.privilege.admin"
