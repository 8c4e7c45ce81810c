#pragma once
// Identities for windows and documents named in posted messages. A message
// may be delivered after the object it names is gone, so it carries a number,
// never a pointer: numbers are never reused, and one whose object was
// destroyed finds nothing. User-interface thread only.

#include <QObject>

#include <cstdint>

namespace app {

class CObjectIds {
public:
    // The object's identity, given on first use and kept until it is destroyed.
    static std::uint64_t Of(QObject* object);
    // The live object with that identity, or null.
    static QObject* Find(std::uint64_t id);
    template <class T>
    static T* Find(std::uint64_t id)
    {
        return qobject_cast<T*>(Find(id));
    }
};

}   // namespace app
