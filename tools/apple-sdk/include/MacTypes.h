// The CarbonCore base types the Security framework's declarations use.
#pragma once

typedef unsigned char UInt8;
typedef signed int SInt32;
typedef unsigned int UInt32;
typedef SInt32 OSStatus;
