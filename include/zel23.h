#ifndef ZEL23_H
#define ZEL23_H

// zel23: reads and writes electric power-flow cases held in raw case files.
//
// A raw case file holds three header lines, then seven sections in a fixed
// order (bus, generator, branch, transformer adjustment, area interchange,
// two-terminal DC line, switched shunt), each closed by a terminator line
// whose first character other than blank, tab, CR, LF or '#' is the digit 0.
//
// This header includes every header of libzel23:
//   zel23_records.h   the record classes, the bus name registry, ZELParse and
//                     ZELPrint (bad input ends the process)
//   zel23_case.h      zel23::Case, and the readers and writers that report
//                     problems instead: read, readBuffer, readFile, write, parse
//   zel23_fields.h    field-by-field access to every record class
//   zel23_check.h     zel23::check, a case's power-flow readiness
//   zel23_matpower.h  MATPOWER case files in and out of a zel23::Case
//   zel23_file.h      zel23::AtomicFile, an output that appears whole or not at all
// The power flow, zel23_flow.h, belongs to libzel23-flow, a library of its
// own: include it where that library is linked.

#include "zel23_records.h"

#include "zel23_case.h"
#include "zel23_check.h"
#include "zel23_fields.h"
#include "zel23_file.h"
#include "zel23_matpower.h"
#include "zel23_problem.h"

#endif
