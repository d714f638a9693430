// Objects opened for the length of a scope, closed however the scope is left.
#pragma once

namespace vemio {

// Closes the object it holds when it goes out of scope.
template <class T>
class Opened {
public:
    Opened() = default;
    Opened(const Opened&) = delete;
    Opened& operator=(const Opened&) = delete;
    ~Opened()
    {
        if (m_p != nullptr)
            m_p->close();
    }
    T*& slot() { return m_p; }
    T* get() const { return m_p; }
    T* operator->() const { return m_p; }

private:
    T* m_p = nullptr;
};

}  // namespace vemio
