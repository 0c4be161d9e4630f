// The buffer the report writer builds markup in: many short pieces per row
// (tags, attribute words, numbers, escaped runs), each appended by an inline
// copy (see byte_buffer.h).
#pragma once

#include "diagnostics/byte_buffer.h"

using Markup = ByteBuffer;
