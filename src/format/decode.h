// The three compiled files, each with its encoder and its decoder: the cell file, the
// line file and the plan file.
//
// Each decoder takes the whole file as bytes and either returns the decoded model or a
// DecodeError naming the byte offset where the structure broke. They read nothing they
// have not bounds-checked first, so any byte string, truncated or corrupt, is safe input.
#ifndef PERCORSO_FORMAT_DECODE_H_
#define PERCORSO_FORMAT_DECODE_H_

#include "format/cell_file.h"
#include "format/decoded.h"
#include "format/line_file.h"
#include "format/plan_file.h"

#endif  // PERCORSO_FORMAT_DECODE_H_
