/// @file
/// @ingroup platform_layer
/// MFC's linked lists and the named list, map and typed-pointer classes of
/// afxcoll.h and afxtempl.h: CList, CStringList, CPtrList, CObList, CObArray,
/// the CMapStringToString family, CTypedPtrArray and CTypedPtrList.
///
///   CStringList names;
///   names.AddTail(L"b");
///   names.AddHead(L"a");
///   for (POSITION p = names.GetHeadPosition(); p;) {
///     CString& s = names.GetNext(p);   // "a", then "b"
///   }
///
/// A POSITION names one element and stays valid until that element is
/// removed. Removing or reading through a null POSITION, or reading the head
/// or tail of an empty list, throws CInvalidArgException* (MFC asserts and
/// then crashes).
#pragma once

#include "KavroStd/platform/generic_text.h"

#include "KavroStd/platform/collections.h"

template <class TYPE, class ARG_TYPE = const TYPE&>
class CList : public CObject {
  struct Node {
    Node* next;
    Node* prev;
    TYPE data;
  };

 public:
  explicit CList(INT_PTR blockSize = 10) { (void)blockSize; }
  CList(const CList&) = delete;
  CList& operator=(const CList&) = delete;
  ~CList() override { RemoveAll(); }

  INT_PTR GetCount() const { return count_; }
  INT_PTR GetSize() const { return count_; }
  BOOL IsEmpty() const { return count_ == 0; }

  TYPE& GetHead() { return Checked(head_)->data; }
  const TYPE& GetHead() const { return Checked(head_)->data; }
  TYPE& GetTail() { return Checked(tail_)->data; }
  const TYPE& GetTail() const { return Checked(tail_)->data; }

  TYPE RemoveHead() {
    Node* n = Checked(head_);
    TYPE value = n->data;
    Unlink(n);
    return value;
  }
  TYPE RemoveTail() {
    Node* n = Checked(tail_);
    TYPE value = n->data;
    Unlink(n);
    return value;
  }

  POSITION AddHead(ARG_TYPE value) { return Pos(Link(nullptr, head_, value)); }
  POSITION AddTail(ARG_TYPE value) { return Pos(Link(tail_, nullptr, value)); }
  /// The other list's elements, in their order, before the head or after the
  /// tail (a list added to itself is copied first).
  void AddHead(const CList* other) {
    if (!other) return;
    CopyOf copy(*other);
    for (auto it = copy.values.rbegin(); it != copy.values.rend(); ++it) AddHead(*it);
  }
  void AddTail(const CList* other) {
    if (!other) return;
    CopyOf copy(*other);
    for (const TYPE& v : copy.values) AddTail(v);
  }
  void RemoveAll() {
    for (Node* n = head_; n;) {
      Node* next = n->next;
      delete n;
      n = next;
    }
    head_ = tail_ = nullptr;
    count_ = 0;
  }

  POSITION GetHeadPosition() const { return Pos(head_); }
  POSITION GetTailPosition() const { return Pos(tail_); }
  /// The element at pos; pos moves to the next (previous) one, null at the end.
  TYPE& GetNext(POSITION& pos) {
    Node* n = Checked(At(pos));
    pos = Pos(n->next);
    return n->data;
  }
  const TYPE& GetNext(POSITION& pos) const {
    Node* n = Checked(At(pos));
    pos = Pos(n->next);
    return n->data;
  }
  TYPE& GetPrev(POSITION& pos) {
    Node* n = Checked(At(pos));
    pos = Pos(n->prev);
    return n->data;
  }
  const TYPE& GetPrev(POSITION& pos) const {
    Node* n = Checked(At(pos));
    pos = Pos(n->prev);
    return n->data;
  }
  TYPE& GetAt(POSITION pos) { return Checked(At(pos))->data; }
  const TYPE& GetAt(POSITION pos) const { return Checked(At(pos))->data; }
  void SetAt(POSITION pos, ARG_TYPE value) { Checked(At(pos))->data = value; }
  void RemoveAt(POSITION pos) { Unlink(Checked(At(pos))); }
  POSITION InsertBefore(POSITION pos, ARG_TYPE value) {
    if (!pos) return AddHead(value);
    Node* n = At(pos);
    return Pos(Link(n->prev, n, value));
  }
  POSITION InsertAfter(POSITION pos, ARG_TYPE value) {
    if (!pos) return AddTail(value);
    Node* n = At(pos);
    return Pos(Link(n, n->next, value));
  }
  /// The first element equal to value after startAfter (from the head when
  /// null); null when there is none.
  POSITION Find(ARG_TYPE value, POSITION startAfter = nullptr) const {
    Node* n = startAfter ? At(startAfter)->next : head_;
    for (; n; n = n->next)
      if (n->data == value) return Pos(n);
    return nullptr;
  }
  /// The element at a zero-based index; null outside the list.
  POSITION FindIndex(INT_PTR index) const {
    if (index < 0 || index >= count_) return nullptr;
    Node* n = head_;
    while (index-- > 0) n = n->next;
    return Pos(n);
  }

 private:
  struct CopyOf {
    explicit CopyOf(const CList& list) {
      for (Node* n = list.head_; n; n = n->next) values.push_back(n->data);
    }
    std::vector<TYPE> values;
  };
  static POSITION Pos(Node* n) { return reinterpret_cast<POSITION>(n); }
  static Node* At(POSITION pos) { return reinterpret_cast<Node*>(pos); }
  static Node* Checked(Node* n) {
    if (!n) AfxThrowInvalidArgException();
    return n;
  }
  Node* Link(Node* prev, Node* next, ARG_TYPE value) {
    Node* n = new Node{next, prev, TYPE(value)};
    (prev ? prev->next : head_) = n;
    (next ? next->prev : tail_) = n;
    ++count_;
    return n;
  }
  void Unlink(Node* n) {
    (n->prev ? n->prev->next : head_) = n->next;
    (n->next ? n->next->prev : tail_) = n->prev;
    delete n;
    --count_;
  }

  Node* head_ = nullptr;
  Node* tail_ = nullptr;
  INT_PTR count_ = 0;
};

class KVSTD_API CStringList : public CList<CString, LPCWSTR> {
 public:
  using CList<CString, LPCWSTR>::AddHead;
  using CList<CString, LPCWSTR>::AddTail;
  POSITION AddHead(const CString& s) { return CList::AddHead(static_cast<LPCWSTR>(s)); }
  POSITION AddTail(const CString& s) { return CList::AddTail(static_cast<LPCWSTR>(s)); }
};
class KVSTD_API CPtrList : public CList<void*, void*> {};
class KVSTD_API CObList : public CList<CObject*, CObject*> {};
class KVSTD_API CObArray : public CArray<CObject*, CObject*> {};

/// The named maps of afxcoll.h. String keys hash and compare exactly.
class KVSTD_API CMapStringToString : public CMap<CString, LPCWSTR, CString, LPCWSTR> {};
class KVSTD_API CMapStringToPtr : public CMap<CString, LPCWSTR, void*, void*> {};
class KVSTD_API CMapStringToOb : public CMap<CString, LPCWSTR, CObject*, CObject*> {};
class KVSTD_API CMapPtrToPtr : public CMap<void*, void*, void*, void*> {};
class KVSTD_API CMapPtrToWord : public CMap<void*, void*, WORD, WORD> {};
class KVSTD_API CMapWordToPtr : public CMap<WORD, WORD, void*, void*> {};
class KVSTD_API CMapWordToOb : public CMap<WORD, WORD, CObject*, CObject*> {};

/// Arrays and lists of typed pointers over the untyped classes.
template <class BASE_CLASS, class TYPE>
class CTypedPtrArray : public BASE_CLASS {
 public:
  TYPE GetAt(INT_PTR i) const { return static_cast<TYPE>(BASE_CLASS::GetAt(i)); }
  TYPE& ElementAt(INT_PTR i) { return reinterpret_cast<TYPE&>(BASE_CLASS::ElementAt(i)); }
  void SetAt(INT_PTR i, TYPE e) { BASE_CLASS::SetAt(i, e); }
  void SetAtGrow(INT_PTR i, TYPE e) { BASE_CLASS::SetAtGrow(i, e); }
  INT_PTR Add(TYPE e) { return BASE_CLASS::Add(e); }
  void InsertAt(INT_PTR i, TYPE e, INT_PTR count = 1) { BASE_CLASS::InsertAt(i, e, count); }
  TYPE operator[](INT_PTR i) const { return GetAt(i); }
  TYPE& operator[](INT_PTR i) { return ElementAt(i); }
};

template <class BASE_CLASS, class TYPE>
class CTypedPtrList : public BASE_CLASS {
 public:
  TYPE& GetHead() { return reinterpret_cast<TYPE&>(BASE_CLASS::GetHead()); }
  TYPE& GetTail() { return reinterpret_cast<TYPE&>(BASE_CLASS::GetTail()); }
  TYPE RemoveHead() { return static_cast<TYPE>(BASE_CLASS::RemoveHead()); }
  TYPE RemoveTail() { return static_cast<TYPE>(BASE_CLASS::RemoveTail()); }
  POSITION AddHead(TYPE e) { return BASE_CLASS::AddHead(e); }
  POSITION AddTail(TYPE e) { return BASE_CLASS::AddTail(e); }
  TYPE& GetNext(POSITION& pos) { return reinterpret_cast<TYPE&>(BASE_CLASS::GetNext(pos)); }
  TYPE& GetPrev(POSITION& pos) { return reinterpret_cast<TYPE&>(BASE_CLASS::GetPrev(pos)); }
  TYPE& GetAt(POSITION pos) { return reinterpret_cast<TYPE&>(BASE_CLASS::GetAt(pos)); }
  void SetAt(POSITION pos, TYPE e) { BASE_CLASS::SetAt(pos, e); }
};
