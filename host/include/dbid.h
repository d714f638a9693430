// Object ids: references to objects of a drawing database, valid while it is open.
#pragma once

#include "adesk.h"

class AcDbStub;
class AcDbDatabase;
class AcDbHandle;

class ACDB_PORT AcDbObjectId {
public:
    AcDbObjectId() : mId(nullptr) {}
    AcDbObjectId(const AcDbStub* pStub) : mId(const_cast<AcDbStub*>(pStub)) {}

    static const AcDbObjectId kNull;

    bool isNull() const { return mId == nullptr; }
    void setNull() { mId = nullptr; }
    bool isValid() const { return mId != nullptr; }
    bool isErased() const;
    AcDbDatabase* database() const;
    AcDbHandle handle() const;
    Adesk::IntDbId asOldId() const { return reinterpret_cast<Adesk::IntDbId>(mId); }
    AcDbObjectId& setFromOldId(Adesk::IntDbId oldId)
    {
        mId = reinterpret_cast<AcDbStub*>(oldId);
        return *this;
    }

    bool operator==(const AcDbObjectId& id) const { return mId == id.mId; }
    bool operator!=(const AcDbObjectId& id) const { return mId != id.mId; }
    bool operator<(const AcDbObjectId& id) const { return mId < id.mId; }
    operator AcDbStub*() const { return mId; }

protected:
    AcDbStub* mId;
};

class ACDB_PORT AcDbHardOwnershipId : public AcDbObjectId {
public:
    AcDbHardOwnershipId() = default;
    AcDbHardOwnershipId(const AcDbObjectId& id) : AcDbObjectId(id) {}
};
class ACDB_PORT AcDbSoftOwnershipId : public AcDbObjectId {
public:
    AcDbSoftOwnershipId() = default;
    AcDbSoftOwnershipId(const AcDbObjectId& id) : AcDbObjectId(id) {}
};
class ACDB_PORT AcDbHardPointerId : public AcDbObjectId {
public:
    AcDbHardPointerId() = default;
    AcDbHardPointerId(const AcDbObjectId& id) : AcDbObjectId(id) {}
};
class ACDB_PORT AcDbSoftPointerId : public AcDbObjectId {
public:
    AcDbSoftPointerId() = default;
    AcDbSoftPointerId(const AcDbObjectId& id) : AcDbObjectId(id) {}
};

// A database handle: the object's permanent 64-bit number within its drawing.
class ACDB_PORT AcDbHandle {
public:
    AcDbHandle() : m_value(0) {}
    AcDbHandle(Adesk::UInt64 value) : m_value(value) {}
    bool isNull() const { return m_value == 0; }
    Adesk::UInt64 value() const { return m_value; }
    bool operator==(const AcDbHandle& h) const { return m_value == h.m_value; }
    bool operator!=(const AcDbHandle& h) const { return m_value != h.m_value; }
    bool operator<(const AcDbHandle& h) const { return m_value < h.m_value; }
    // Hexadecimal text in upper case, as the host lists handles.
    void getIntoAsciiBuffer(ACHAR* pBuf, size_t nBufLen) const;

private:
    Adesk::UInt64 m_value;
};
