/// @file
/// @ingroup platform_layer
/// The COM support classes for text and variants: _bstr_t owns a BSTR,
/// _variant_t owns a VARIANT; both copy by value and free what they hold.
///
///   _bstr_t name(L"Color");
///   _variant_t v(L"red");                 // VT_BSTR
///   _bstr_t text = (_bstr_t)v;            // converts other types, "C" locale
///   const wchar_t* p = name;              // null for an empty _bstr_t
///
/// Narrow texts convert through the ANSI code page, as on Windows. A
/// failed conversion of a variant throws _com_error (comdef.h) with its
/// HRESULT. Values, no sharing between threads.
#pragma once

#include "KavroStd/platform/generic_text.h"

#include <string>

#include "KavroStd/platform/com.h"

class KVSTD_API _bstr_t {
 public:
  _bstr_t() noexcept = default;
  _bstr_t(const _bstr_t& other);
  _bstr_t(_bstr_t&& other) noexcept : m_text(other.m_text) { other.m_text = nullptr; }
  _bstr_t(const char* text);
  _bstr_t(const wchar_t* text);
  _bstr_t(const VARIANT& value);
  /// Takes ownership of `text` when copy is false, copies it otherwise.
  _bstr_t(BSTR text, bool copy);
  ~_bstr_t();

  _bstr_t& operator=(const _bstr_t& other);
  _bstr_t& operator=(_bstr_t&& other) noexcept;
  _bstr_t& operator=(const char* text);
  _bstr_t& operator=(const wchar_t* text);
  _bstr_t& operator+=(const _bstr_t& other);
  _bstr_t operator+(const _bstr_t& other) const;

  /// The text, or null when empty (as Windows gives it).
  operator const wchar_t*() const noexcept { return m_text; }
  operator wchar_t*() const noexcept { return m_text; }
  /// The text in the ANSI code page, kept until the next change; null when empty.
  operator const char*() const;
  operator char*() const;

  bool operator!() const noexcept { return m_text == nullptr; }
  bool operator==(const _bstr_t& other) const;
  bool operator!=(const _bstr_t& other) const { return !(*this == other); }
  bool operator<(const _bstr_t& other) const;

  unsigned int length() const noexcept { return SysStringLen(m_text); }
  /// A new BSTR the caller frees (copy=true), or the held one.
  BSTR copy(bool fCopy = true) const;
  BSTR GetBSTR() const noexcept { return m_text; }
  /// Frees the held text and returns its slot for a call that fills it.
  BSTR& GetAddress();
  void Assign(BSTR text);
  void Attach(BSTR text);
  BSTR Detach() noexcept;

 private:
  void Reset(BSTR text);

  BSTR m_text = nullptr;
  mutable std::string m_narrow;
  mutable bool m_narrowValid = false;
};

class KVSTD_API _variant_t : public VARIANT {
 public:
  _variant_t() noexcept { VariantInit(this); }
  _variant_t(const VARIANT& value);
  _variant_t(const _variant_t& value);
  _variant_t(_variant_t&& value) noexcept;
  _variant_t(const wchar_t* text);  ///< VT_BSTR
  _variant_t(const char* text);     ///< VT_BSTR
  _variant_t(const _bstr_t& text);  ///< VT_BSTR
  _variant_t(int value) noexcept;   ///< VT_I4
  _variant_t(long value) noexcept;  ///< VT_I4 (the 32-bit Windows long)
  _variant_t(double value) noexcept;  ///< VT_R8
  _variant_t(bool value) noexcept;  ///< VT_BOOL
  /// VT_UNKNOWN, AddRef'd when addRef.
  _variant_t(IUnknown* object, bool addRef = true) noexcept;
  ~_variant_t() { VariantClear(this); }

  _variant_t& operator=(const _variant_t& value);
  _variant_t& operator=(_variant_t&& value) noexcept;
  _variant_t& operator=(const VARIANT& value);

  /// Conversions through VariantChangeType; _com_error when impossible.
  operator _bstr_t() const;
  operator LONG() const;
  operator double() const;
  operator bool() const;

  void Clear() { VariantClear(this); }
  void ChangeType(VARTYPE type, const _variant_t* source = nullptr);
  void Attach(VARIANT& value);
  VARIANT Detach();
};
