#include "standin/VisioErrors.h"

namespace standin {

using automation::AutomationError;
using automation::MakeHResult;

HResult VisioErrorCode(VisioErrorKind kind) {
  switch (kind) {
    case VisioErrorKind::ObjectDeleted: return MakeHResult(0x86DB0BB8);
    case VisioErrorKind::UnexpectedEndOfFile: return MakeHResult(0x86DB089A);
    case VisioErrorKind::InvalidSheetId: return MakeHResult(0x86DB08A6);
    case VisioErrorKind::InvalidDocumentId: return MakeHResult(0x86DB08A5);
    case VisioErrorKind::ObjectNameNotFound: return MakeHResult(0x86DB0FA0);
    case VisioErrorKind::InvalidParameter: return MakeHResult(0x86DB08A7);
    case VisioErrorKind::BadCellName: return MakeHResult(0x86DB08AD);
    case VisioErrorKind::Disabled: return MakeHResult(0x86DB03E9);
    case VisioErrorKind::InappropriateTarget: return MakeHResult(0x86DB0BBE);
    case VisioErrorKind::ReadOnlyDocument: return MakeHResult(0x86DB0B6E);
    case VisioErrorKind::FileNotFound: return MakeHResult(0x86DB0BB9);
    case VisioErrorKind::BadFormula: return MakeHResult(0x86DB0BC2);
    case VisioErrorKind::ProtectedCell: return MakeHResult(0x86DB0BC3);
    case VisioErrorKind::NoSuchMaster: return MakeHResult(0x86DB0BC4);
    case VisioErrorKind::BadFile: return MakeHResult(0x86DB0BC5);
    case VisioErrorKind::CannotSave:
      return MakeHResult(0x86DB0BC6);
  }
  return automation::E_FAIL;
}

std::string VisioErrorMessage(VisioErrorKind kind) {
  const char* text = "";
  switch (kind) {
    case VisioErrorKind::ObjectDeleted: text = "Object has been deleted."; break;
    case VisioErrorKind::UnexpectedEndOfFile: text = "Unexpected end of file."; break;
    case VisioErrorKind::InvalidSheetId: text = "Invalid sheet identifier."; break;
    case VisioErrorKind::InvalidDocumentId: text = "Invalid document identifier."; break;
    case VisioErrorKind::ObjectNameNotFound: text = "Object name not found."; break;
    case VisioErrorKind::InvalidParameter: text = "Invalid parameter."; break;
    case VisioErrorKind::BadCellName: text = "Bad cell name."; break;
    case VisioErrorKind::Disabled: text = "Requested operation is presently disabled."; break;
    case VisioErrorKind::InappropriateTarget:
      text = "Inappropriate target object for this action.";
      break;
    case VisioErrorKind::ReadOnlyDocument: text = "Document is read-only."; break;
    case VisioErrorKind::FileNotFound: text = "File not found."; break;
    case VisioErrorKind::BadFormula: text = "#NAME?"; break;
    case VisioErrorKind::ProtectedCell: text = "Cell is guarded."; break;
    case VisioErrorKind::NoSuchMaster: text = "Master cannot be opened for editing."; break;
    case VisioErrorKind::BadFile: text = "The file cannot be opened."; break;
    case VisioErrorKind::CannotSave:
      text = "The file cannot be saved.";
      break;
  }
  return std::string("\n\n") + text;
}

void ThrowVisio(VisioErrorKind kind) {
  throw AutomationError(VisioErrorCode(kind), VisioErrorMessage(kind));
}

void ThrowVisio(VisioErrorKind kind, const std::string& detail) {
  throw AutomationError(VisioErrorCode(kind), "\n\n" + detail);
}

}  // namespace standin
