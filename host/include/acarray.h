// The host's growable array. The reallocator decides how items move when the storage
// grows: by memory copy for trivial types, by assignment for the others.
#pragma once

#include <cassert>
#include <cstring>
#include <type_traits>
#include <utility>

#include "adesk.h"

template <typename T>
class AcArrayMemCopyReallocator {
public:
    static void copyItems(T* pDest, size_t nBufLen, const T* pSrc, size_t n)
    {
        assert(n <= nBufLen);
        (void)nBufLen;
        if (n > 0)
            std::memcpy(static_cast<void*>(pDest), static_cast<const void*>(pSrc), n * sizeof(T));
    }
    static void moveItems(T* pDest, size_t nBufLen, T* pSrc, size_t n, bool /*bSameBuffer*/)
    {
        assert(n <= nBufLen);
        (void)nBufLen;
        if (n > 0)
            std::memmove(static_cast<void*>(pDest), static_cast<const void*>(pSrc), n * sizeof(T));
    }
};

template <typename T>
class AcArrayObjectCopyReallocator {
public:
    static void copyItems(T* pDest, size_t nBufLen, const T* pSrc, size_t n)
    {
        assert(n <= nBufLen);
        (void)nBufLen;
        for (size_t i = 0; i < n; ++i)
            pDest[i] = pSrc[i];
    }
    static void moveItems(T* pDest, size_t nBufLen, T* pSrc, size_t n, bool bSameBuffer)
    {
        assert(n <= nBufLen);
        (void)nBufLen;
        if (bSameBuffer && pDest > pSrc) {
            for (size_t i = n; i-- > 0;)
                pDest[i] = std::move(pSrc[i]);
        } else {
            for (size_t i = 0; i < n; ++i)
                pDest[i] = std::move(pSrc[i]);
        }
    }
};

template <typename T, bool bIsTrivial>
struct AcArrayItemCopierSelector;
template <typename T>
struct AcArrayItemCopierSelector<T, true> {
    typedef AcArrayMemCopyReallocator<T> allocator;
};
template <typename T>
struct AcArrayItemCopierSelector<T, false> {
    typedef AcArrayObjectCopyReallocator<T> allocator;
};

#define ACARRAY_GROWTH_THRESHOLD 0x10000

template <typename T, typename R = typename AcArrayItemCopierSelector<T, std::is_trivial<T>::value>::allocator>
class AcArray {
public:
    AcArray(int initPhysicalLength = 0, int initGrowLength = 8)
        : mpArray(nullptr), mPhysicalLen(0), mLogicalLen(0), mGrowLen(initGrowLength > 0 ? initGrowLength : 8)
    {
        if (initPhysicalLength > 0) {
            mpArray = new T[initPhysicalLength];
            mPhysicalLen = initPhysicalLength;
        }
    }
    AcArray(const AcArray& src)
        : mpArray(nullptr), mPhysicalLen(0), mLogicalLen(0), mGrowLen(src.mGrowLen)
    {
        if (src.mLogicalLen > 0) {
            mpArray = new T[src.mLogicalLen];
            mPhysicalLen = src.mLogicalLen;
            R::copyItems(mpArray, size_t(mPhysicalLen), src.mpArray, size_t(src.mLogicalLen));
            mLogicalLen = src.mLogicalLen;
        }
    }
    AcArray(AcArray&& src) noexcept
        : mpArray(src.mpArray), mPhysicalLen(src.mPhysicalLen), mLogicalLen(src.mLogicalLen), mGrowLen(src.mGrowLen)
    {
        src.mpArray = nullptr;
        src.mPhysicalLen = 0;
        src.mLogicalLen = 0;
    }
    ~AcArray() { delete[] mpArray; }

    AcArray& operator=(const AcArray& src)
    {
        if (this != &src) {
            if (mPhysicalLen < src.mLogicalLen) {
                delete[] mpArray;
                mpArray = new T[src.mLogicalLen];
                mPhysicalLen = src.mLogicalLen;
            }
            R::copyItems(mpArray, size_t(mPhysicalLen), src.mpArray, size_t(src.mLogicalLen));
            mLogicalLen = src.mLogicalLen;
        }
        return *this;
    }
    AcArray& operator=(AcArray&& src) noexcept
    {
        if (this != &src) {
            delete[] mpArray;
            mpArray = src.mpArray;
            mPhysicalLen = src.mPhysicalLen;
            mLogicalLen = src.mLogicalLen;
            mGrowLen = src.mGrowLen;
            src.mpArray = nullptr;
            src.mPhysicalLen = 0;
            src.mLogicalLen = 0;
        }
        return *this;
    }
    bool operator==(const AcArray& other) const
    {
        if (mLogicalLen != other.mLogicalLen)
            return false;
        for (int i = 0; i < mLogicalLen; ++i)
            if (!(mpArray[i] == other.mpArray[i]))
                return false;
        return true;
    }

    T& operator[](int i) { assert(isValid(i)); return mpArray[i]; }
    const T& operator[](int i) const { assert(isValid(i)); return mpArray[i]; }
    T& at(int i) { assert(isValid(i)); return mpArray[i]; }
    const T& at(int i) const { assert(isValid(i)); return mpArray[i]; }
    AcArray& setAt(int i, const T& value) { assert(isValid(i)); mpArray[i] = value; return *this; }
    AcArray& setAll(const T& value) { for (int i = 0; i < mLogicalLen; ++i) mpArray[i] = value; return *this; }
    T& first() { assert(!isEmpty()); return mpArray[0]; }
    const T& first() const { assert(!isEmpty()); return mpArray[0]; }
    T& last() { assert(!isEmpty()); return mpArray[mLogicalLen - 1]; }
    const T& last() const { assert(!isEmpty()); return mpArray[mLogicalLen - 1]; }

    int append(const T& value)
    {
        if (mLogicalLen >= mPhysicalLen) {
            // The value may live inside this array's own storage: copy it before growing.
            T copy(value);
            growTo(mLogicalLen + 1);
            mpArray[mLogicalLen] = std::move(copy);
        } else {
            mpArray[mLogicalLen] = value;
        }
        return mLogicalLen++;
    }
    AcArray& append(const AcArray& other)
    {
        if (&other == this) {
            AcArray copy(other);
            return append(copy);
        }
        int n = other.mLogicalLen;
        if (mLogicalLen + n > mPhysicalLen)
            growTo(mLogicalLen + n);
        R::copyItems(mpArray + mLogicalLen, size_t(mPhysicalLen - mLogicalLen), other.mpArray, size_t(n));
        mLogicalLen += n;
        return *this;
    }
    AcArray& insertAt(int index, const T& value)
    {
        assert(index >= 0 && index <= mLogicalLen);
        T copy(value);
        if (mLogicalLen >= mPhysicalLen)
            growTo(mLogicalLen + 1);
        if (index < mLogicalLen)
            R::moveItems(mpArray + index + 1, size_t(mPhysicalLen - index - 1), mpArray + index,
                         size_t(mLogicalLen - index), true);
        mpArray[index] = std::move(copy);
        ++mLogicalLen;
        return *this;
    }
    AcArray& removeAt(int index)
    {
        assert(isValid(index));
        if (index < mLogicalLen - 1)
            R::moveItems(mpArray + index, size_t(mPhysicalLen - index), mpArray + index + 1,
                         size_t(mLogicalLen - index - 1), true);
        --mLogicalLen;
        return *this;
    }
    bool remove(const T& value, int start = 0)
    {
        int i = findFrom(value, start);
        if (i < 0)
            return false;
        removeAt(i);
        return true;
    }
    AcArray& removeFirst() { return removeAt(0); }
    AcArray& removeLast() { assert(!isEmpty()); --mLogicalLen; return *this; }
    AcArray& removeAll() { mLogicalLen = 0; return *this; }
    AcArray& removeSubArray(int startIndex, int endIndex)
    {
        assert(isValid(startIndex) && startIndex <= endIndex && endIndex < mLogicalLen);
        int count = endIndex - startIndex + 1;
        R::moveItems(mpArray + startIndex, size_t(mPhysicalLen - startIndex), mpArray + endIndex + 1,
                     size_t(mLogicalLen - endIndex - 1), true);
        mLogicalLen -= count;
        return *this;
    }

    bool contains(const T& value, int start = 0) const { return findFrom(value, start) >= 0; }
    bool find(const T& value, int& foundAt, int start = 0) const
    {
        int i = findFrom(value, start);
        if (i < 0)
            return false;
        foundAt = i;
        return true;
    }
    int find(const T& value) const { return findFrom(value, 0); }
    int findFrom(const T& value, int start) const
    {
        for (int i = start < 0 ? 0 : start; i < mLogicalLen; ++i)
            if (mpArray[i] == value)
                return i;
        return -1;
    }

    int length() const { return mLogicalLen; }
    int logicalLength() const { return mLogicalLen; }
    bool isEmpty() const { return mLogicalLen == 0; }
    AcArray& setLogicalLength(int n)
    {
        assert(n >= 0);
        if (n < 0)
            n = 0;
        if (n > mPhysicalLen)
            growTo(n);
        mLogicalLen = n;
        return *this;
    }
    int physicalLength() const { return mPhysicalLen; }
    AcArray& setPhysicalLength(int n)
    {
        if (n < 0)
            n = 0;
        if (n == mPhysicalLen)
            return *this;
        T* pNew = n > 0 ? new T[n] : nullptr;
        int keep = mLogicalLen < n ? mLogicalLen : n;
        if (keep > 0)
            R::moveItems(pNew, size_t(n), mpArray, size_t(keep), false);
        delete[] mpArray;
        mpArray = pNew;
        mPhysicalLen = n;
        mLogicalLen = keep;
        return *this;
    }
    int growLength() const { return mGrowLen; }
    AcArray& setGrowLength(int n) { assert(n > 0); if (n > 0) mGrowLen = n; return *this; }
    AcArray& reverse()
    {
        for (int i = 0, j = mLogicalLen - 1; i < j; ++i, --j)
            std::swap(mpArray[i], mpArray[j]);
        return *this;
    }
    AcArray& swap(int i, int j) { assert(isValid(i) && isValid(j)); std::swap(mpArray[i], mpArray[j]); return *this; }

    const T* asArrayPtr() const { return mpArray; }
    T* asArrayPtr() { return mpArray; }
    T* begin() { return mpArray; }
    T* end() { return mpArray + mLogicalLen; }
    const T* begin() const { return mpArray; }
    const T* end() const { return mpArray + mLogicalLen; }

protected:
    bool isValid(int i) const { return i >= 0 && i < mLogicalLen; }
    // Grows the storage to hold at least minLen items, by the host's rule: by the grow
    // length or the logical length (whichever is larger) while under 64 KB, then by 64 KB.
    void growTo(int minLen)
    {
        int step;
        if (size_t(mPhysicalLen) * sizeof(T) < ACARRAY_GROWTH_THRESHOLD)
            step = mLogicalLen > mGrowLen ? mLogicalLen : mGrowLen;
        else
            step = int(ACARRAY_GROWTH_THRESHOLD / sizeof(T));
        if (step < 1)
            step = 1;
        int newLen = mPhysicalLen + step;
        if (newLen < minLen)
            newLen = minLen;
        setPhysicalLength(newLen);
    }

    T* mpArray;
    int mPhysicalLen;
    int mLogicalLen;
    int mGrowLen;
};

typedef AcArray<void*> AcDbVoidPtrArray;
typedef AcArray<int> AcDbIntArray;
typedef AcArray<Adesk::IntPtr> AcDbIntPtrArray;
