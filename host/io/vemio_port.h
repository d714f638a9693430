// What libvemio exports: the functions of its public headers carry this mark; the
// library is built with everything else hidden.
#pragma once

#define VEMIO_PORT __attribute__((visibility("default")))
