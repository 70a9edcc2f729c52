// The errors the stand-in raises, in Visio's own style: result codes in
// Visio's range (0x86DB....) and descriptions that begin with two line
// breaks, as Visio's do.
#pragma once

#include <string>

#include "automation/HResult.h"

namespace standin {

using automation::HResult;

enum class VisioErrorKind {
  ObjectDeleted,        // a member of a deleted object other than Stat
  UnexpectedEndOfFile,  // a cell, row or section that does not exist
  InvalidSheetId,       // a page or shape index or name not in the collection
  InvalidDocumentId,    // a document index or name not in the collection
  ObjectNameNotFound,   // a master, style, font or layer name not found
  InvalidParameter,     // an argument out of its range
  BadCellName,          // Cells() with a name the sheet does not know
  Disabled,             // the operation is not possible in this state
  InappropriateTarget,  // the call does not apply to this kind of object
  ReadOnlyDocument,     // a change to a document opened read-only
  FileNotFound,         // Documents.Open of a missing file
  BadFormula,           // a formula that does not parse
  ProtectedCell,        // a plain write to a GUARDed cell
  NoSuchMaster,         // Master.Open refused (fault injection, locked stencil)
  BadFile,              // Documents.Open of a damaged or unsupported file
  CannotSave,           // Save or SaveAs that could not write the file
};

HResult VisioErrorCode(VisioErrorKind kind);
// The description, with Visio's two leading line breaks.
std::string VisioErrorMessage(VisioErrorKind kind);

[[noreturn]] void ThrowVisio(VisioErrorKind kind);
// The same code with a description of the caller's, for errors that name
// what went wrong (a file, a formula).
[[noreturn]] void ThrowVisio(VisioErrorKind kind, const std::string& detail);

}  // namespace standin
