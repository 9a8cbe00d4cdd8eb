/// @file
/// @ingroup platform_layer
/// The MFC containers: CObject, the growable arrays CArray, CStringArray and
/// CByteArray, and the hash map CMap.
///
///   CMap<CString, LPCWSTR, int, int> m;   // default hash table of 17 buckets
///   m.SetAt(L"a", 1);
///   POSITION p = m.GetStartPosition();
///   while (p) { CString k; int v; m.GetNextAssoc(p, k, v); }
///
/// Indexes are INT_PTR as in MFC. A CMap iterates in its bucket order, not in
/// the order of insertion; wide-string keys hash as MFC's HashKey does and
/// compare exactly (case-sensitive).
#pragma once

#include "KavroStd/platform/generic_text.h"

#include <type_traits>
#include <utility>
#include <vector>

#include "KavroStd/platform/cstring.h"

class KVSTD_API CObject {
 public:
  virtual ~CObject() = default;
  /// ASSERT_VALID's check of the object's state; derived classes add their own.
  virtual void AssertValid() const {}
};

template <class TYPE, class ARG_TYPE = const TYPE&>
class CArray : public CObject {
 public:
  CArray() = default;
  CArray(const CArray&) = default;
  CArray& operator=(const CArray&) = default;

  INT_PTR GetSize() const { return static_cast<INT_PTR>(v_.size()); }
  INT_PTR GetCount() const { return GetSize(); }
  INT_PTR GetUpperBound() const { return GetSize() - 1; }
  BOOL IsEmpty() const { return v_.empty(); }
  void SetSize(INT_PTR newSize, INT_PTR growBy = -1) {
    (void)growBy;
    v_.resize(newSize > 0 ? static_cast<size_t>(newSize) : 0);
  }
  void FreeExtra() { v_.shrink_to_fit(); }
  void RemoveAll() { v_.clear(); }

  /// An index outside the array throws CInvalidArgException*, as in MFC.
  const TYPE& GetAt(INT_PTR i) const { return v_[Checked(i)]; }
  TYPE& GetAt(INT_PTR i) { return v_[Checked(i)]; }
  void SetAt(INT_PTR i, ARG_TYPE e) { v_[Checked(i)] = e; }
  TYPE& ElementAt(INT_PTR i) { return v_[Checked(i)]; }
  const TYPE& ElementAt(INT_PTR i) const { return v_[Checked(i)]; }
  const TYPE& operator[](INT_PTR i) const { return GetAt(i); }
  TYPE& operator[](INT_PTR i) { return ElementAt(i); }
  const TYPE* GetData() const { return v_.data(); }
  TYPE* GetData() { return v_.data(); }

  void SetAtGrow(INT_PTR i, ARG_TYPE e) {
    if (i < 0) return;
    if (static_cast<size_t>(i) >= v_.size()) v_.resize(static_cast<size_t>(i) + 1);
    v_[static_cast<size_t>(i)] = e;
  }
  INT_PTR Add(ARG_TYPE e) {
    v_.push_back(e);
    return GetSize() - 1;
  }
  INT_PTR Append(const CArray& src) {
    INT_PTR old = GetSize();
    v_.insert(v_.end(), src.v_.begin(), src.v_.end());
    return old;
  }
  void Copy(const CArray& src) {
    if (&src != this) v_ = src.v_;
  }
  void InsertAt(INT_PTR i, ARG_TYPE e, INT_PTR count = 1) {
    if (i < 0 || count <= 0) return;
    if (static_cast<size_t>(i) > v_.size()) v_.resize(static_cast<size_t>(i));
    v_.insert(v_.begin() + i, static_cast<size_t>(count), e);
  }
  void InsertAt(INT_PTR start, const CArray* other) {
    if (!other || start < 0) return;
    std::vector<TYPE> copy = other->v_;
    if (static_cast<size_t>(start) > v_.size()) v_.resize(static_cast<size_t>(start));
    v_.insert(v_.begin() + start, copy.begin(), copy.end());
  }
  void RemoveAt(INT_PTR i, INT_PTR count = 1) {
    if (i < 0 || count <= 0 || static_cast<size_t>(i) >= v_.size()) return;
    size_t end = std::min(v_.size(), static_cast<size_t>(i + count));
    v_.erase(v_.begin() + i, v_.begin() + end);
  }

  /// Range access for C++ algorithms and range-for.
  TYPE* begin() { return v_.data(); }
  TYPE* end() { return v_.data() + v_.size(); }
  const TYPE* begin() const { return v_.data(); }
  const TYPE* end() const { return v_.data() + v_.size(); }

 protected:
  size_t Checked(INT_PTR i) const {
    if (i < 0 || static_cast<size_t>(i) >= v_.size()) AfxThrowInvalidArgException();
    return static_cast<size_t>(i);
  }

  std::vector<TYPE> v_;
};

class KVSTD_API CStringArray : public CArray<CString, const CString&> {
 public:
  using CArray<CString, const CString&>::Add;
  INT_PTR Add(LPCWSTR s) { return CArray::Add(CString(s)); }
  INT_PTR Add(CString&& s) {
    v_.push_back(std::move(s));
    return GetSize() - 1;
  }
};

class KVSTD_API CByteArray : public CArray<BYTE, BYTE> {};
class KVSTD_API CUIntArray : public CArray<UINT, UINT> {};
class KVSTD_API CDWordArray : public CArray<DWORD, DWORD> {};
class KVSTD_API CWordArray : public CArray<WORD, WORD> {};
class KVSTD_API CPtrArray : public CArray<void*, void*> {};

/// MFC's hash functions: strings fold each unit into (h << 5) + h + c.
inline UINT HashKey(LPCWSTR key) {
  UINT h = 0;
  if (key)
    while (*key) h = (h << 5) + h + static_cast<UINT>(*key++);
  return h;
}
inline UINT HashKey(LPCSTR key) {
  UINT h = 0;
  if (key)
    while (*key) h = (h << 5) + h + static_cast<BYTE>(*key++);
  return h;
}
template <class ARG_KEY>
inline UINT HashKey(ARG_KEY key) {
  return static_cast<UINT>((static_cast<DWORD_PTR>(key)) >> 4);
}
/// Pointers hash by address; character pointers are strings (above).
template <class T>
  requires(!std::is_same_v<std::remove_cv_t<T>, wchar_t> && !std::is_same_v<std::remove_cv_t<T>, char>)
inline UINT HashKey(T* key) {
  return static_cast<UINT>(reinterpret_cast<DWORD_PTR>(key) >> 4);
}
inline UINT HashKey(const CString& key) { return HashKey(static_cast<LPCWSTR>(key)); }

template <class KEY, class ARG_KEY, class VALUE, class ARG_VALUE>
class CMap : public CObject {
 public:
  explicit CMap(INT_PTR blockSize = 10) { (void)blockSize; }
  CMap(const CMap&) = delete;
  CMap& operator=(const CMap&) = delete;
  ~CMap() override { RemoveAll(); }

  INT_PTR GetCount() const { return count_; }
  INT_PTR GetSize() const { return count_; }
  BOOL IsEmpty() const { return count_ == 0; }
  UINT GetHashTableSize() const { return tableSize_; }
  /// Sets the number of buckets; only allowed while the map is empty.
  void InitHashTable(UINT size, BOOL = TRUE) {
    if (count_ == 0 && size > 0) {
      delete[] table_;
      table_ = nullptr;
      tableSize_ = size;
    }
  }

  BOOL Lookup(ARG_KEY key, VALUE& value) const {
    const Node* n = Find(key);
    if (!n) return FALSE;
    value = n->value;
    return TRUE;
  }
  VALUE& operator[](ARG_KEY key) {
    Node* n = Find(key);
    if (n) return n->value;
    if (!table_) table_ = new Node*[tableSize_]();
    UINT b = HashKey(key) % tableSize_;
    n = new Node{table_[b], KEY(key), VALUE()};
    table_[b] = n;
    ++count_;
    return n->value;
  }
  void SetAt(ARG_KEY key, ARG_VALUE value) { (*this)[key] = value; }
  BOOL RemoveKey(ARG_KEY key) {
    if (!table_) return FALSE;
    Node** link = &table_[HashKey(key) % tableSize_];
    for (Node* n = *link; n; link = &n->next, n = n->next) {
      if (n->key == key) {
        *link = n->next;
        delete n;
        --count_;
        return TRUE;
      }
    }
    return FALSE;
  }
  void RemoveAll() {
    if (table_) {
      for (UINT b = 0; b < tableSize_; ++b) {
        for (Node* n = table_[b]; n;) {
          Node* next = n->next;
          delete n;
          n = next;
        }
      }
      delete[] table_;
      table_ = nullptr;
    }
    count_ = 0;
  }

  POSITION GetStartPosition() const {
    if (count_ == 0) return nullptr;
    return reinterpret_cast<POSITION>(FirstFrom(0));
  }
  void GetNextAssoc(POSITION& pos, KEY& key, VALUE& value) const {
    Node* n = reinterpret_cast<Node*>(pos);
    key = n->key;
    value = n->value;
    Node* next = n->next;
    if (!next) next = FirstFrom(HashKey(static_cast<ARG_KEY>(n->key)) % tableSize_ + 1);
    pos = reinterpret_cast<POSITION>(next);
  }

 private:
  struct Node {
    Node* next;
    KEY key;
    VALUE value;
  };
  Node* Find(ARG_KEY key) const {
    if (!table_) return nullptr;
    for (Node* n = table_[HashKey(key) % tableSize_]; n; n = n->next)
      if (n->key == key) return n;
    return nullptr;
  }
  Node* FirstFrom(UINT bucket) const {
    for (UINT b = bucket; table_ && b < tableSize_; ++b)
      if (table_[b]) return table_[b];
    return nullptr;
  }

  Node** table_ = nullptr;
  UINT tableSize_ = 17;
  INT_PTR count_ = 0;
};
