// The C library's sys/un.h with macOS's socket options for the local domain.
#pragma once

#include_next <sys/un.h>

#define SOL_LOCAL 0
#define LOCAL_PEERCRED 0x001  // a struct xucred
#define LOCAL_PEERPID 0x002   // the pid of the peer at connect time
#define LOCAL_PEEREPID 0x003
#define LOCAL_PEERUUID 0x004
#define LOCAL_PEEREUUID 0x005
