// Tables of the automation layer's values and codes, shared by its own tests
// and by the COM backend's, which runs them over real COM.
#pragma once

#include <cmath>
#include <ostream>
#include <vector>

#include "automation/Variant.h"

namespace automation::tables {

// One conversion: a value, the type asked for, and either the expected
// result or the error code it must fail with.
struct Conversion {
  Variant from;
  VarType to;
  Variant expected;
  HResult error = S_OK;
};

inline std::ostream& operator<<(std::ostream& os, const Conversion& c) {
  return os << c.from << " -> " << VarTypeName(c.to);
}

// OLE's conversion rules, case by case.
inline std::vector<Conversion> Conversions() {
  const std::int16_t kMinusOne = -1;
  return {// Strings to numbers: numeric text converts, anything else does not.
          Conversion{Variant("12"), VarType::I2, Variant(std::int16_t{12})},
          Conversion{Variant(" -7 "), VarType::I2, Variant(std::int16_t{-7})},
          Conversion{Variant("abc"), VarType::I2, {}, DISP_E_TYPEMISMATCH},
          Conversion{Variant(""), VarType::I2, {}, DISP_E_TYPEMISMATCH},
          Conversion{Variant("12abc"), VarType::I4, {}, DISP_E_TYPEMISMATCH},
          Conversion{Variant("1,234.5"), VarType::R8, Variant(1234.5)},
          Conversion{Variant("2.5e2"), VarType::I4, Variant(250)},
          Conversion{Variant("&HFF"), VarType::I4, Variant(255)},
          Conversion{Variant("40000"), VarType::I2, {}, DISP_E_OVERFLOW},
          // Rounding to integers: halves go to the even neighbour.
          Conversion{Variant(2.5), VarType::I2, Variant(std::int16_t{2})},
          Conversion{Variant(3.5), VarType::I2, Variant(std::int16_t{4})},
          Conversion{Variant(-2.5), VarType::I4, Variant(-2)},
          Conversion{Variant(1e10), VarType::I4, {}, DISP_E_OVERFLOW},
          Conversion{Variant(std::nan("")), VarType::I4, {}, DISP_E_OVERFLOW},
          Conversion{Variant(32768), VarType::I2, {}, DISP_E_OVERFLOW},
          Conversion{Variant(-32768), VarType::I2, Variant(std::int16_t{-32768})},
          // Numbers to strings: integers in decimal, doubles with up to 15 digits.
          Conversion{Variant(std::int16_t{-5}), VarType::Bstr, Variant("-5")},
          Conversion{Variant(2.0), VarType::Bstr, Variant("2")},
          Conversion{Variant(1.0 / 3.0), VarType::Bstr, Variant("0.333333333333333")},
          Conversion{Variant(1e20), VarType::Bstr, Variant("1E+20")},
          // Booleans: VT_BOOL is -1/0 and reads back as such.
          Conversion{Variant::Bool(true), VarType::I2, Variant(kMinusOne)},
          Conversion{Variant::Bool(true), VarType::Bstr, Variant("-1")},
          Conversion{Variant(std::int16_t{5}), VarType::Bool, Variant::Bool(true)},
          Conversion{Variant("false"), VarType::Bool, Variant::Bool(false)},
          Conversion{Variant("True"), VarType::Bool, Variant::Bool(true)},
          // Empty is zero, the empty string, Nothing; Null converts to nothing.
          Conversion{Variant(), VarType::I4, Variant(0)},
          Conversion{Variant(), VarType::Bstr, Variant("")},
          Conversion{Variant(), VarType::Dispatch, Variant(ObjectRef())},
          Conversion{Variant::Null(), VarType::I4, {}, DISP_E_TYPEMISMATCH},
          Conversion{Variant::Null(), VarType::Bstr, {}, DISP_E_TYPEMISMATCH},
          // Arrays and scalars never mix.
          Conversion{Variant(StringArray(0, {"a"})), VarType::Bstr, {}, DISP_E_TYPEMISMATCH},
          Conversion{Variant("a"), VarType::BstrArray, {}, DISP_E_TYPEMISMATCH},
          Conversion{Variant(7), VarType::Dispatch, {}, DISP_E_TYPEMISMATCH}};
}

// Result codes with the form and text in which users see them.
struct Message {
  HResult code;
  const char* hex;
  const char* message;
};

inline std::vector<Message> Messages() {
  return {
      {S_OK, "0x00000000", "The operation completed successfully."},
      {E_FAIL, "0x80004005", "Unspecified error"},
      {E_UNEXPECTED, "0x8000FFFF", "Catastrophic failure"},
      {E_NOINTERFACE, "0x80004002", "No such interface supported"},
      {RPC_E_CALL_REJECTED, "0x80010001", "Call was rejected by callee."},
      {RPC_E_DISCONNECTED, "0x80010108", "The object invoked has disconnected from its clients."},
      {DISP_E_MEMBERNOTFOUND, "0x80020003", "Member not found."},
      {DISP_E_TYPEMISMATCH, "0x80020005", "Type mismatch."},
      {DISP_E_BADINDEX, "0x8002000B", "Invalid index."},
      {CO_E_CLASSSTRING, "0x800401F3", "Invalid class string"},
      {MK_E_UNAVAILABLE, "0x800401E3", "Operation unavailable"},
      {REGDB_E_CLASSNOTREG, "0x80040154", "Class not registered"},
      {MakeHResult(0x80041234), "0x80041234", "Unknown error 0x80041234"},
  };
}

}  // namespace automation::tables
