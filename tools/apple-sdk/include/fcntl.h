// The C library's fcntl.h without what only Linux has.
#pragma once

#include_next <fcntl.h>

#undef F_GETPIPE_SZ
#undef F_SETPIPE_SZ
#undef O_PATH
