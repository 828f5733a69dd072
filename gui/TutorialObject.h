#pragma once
// What a tutorial action or event carries beside its numbers: the object it
// is about (a window, a control, a level point, a job, a villain, a shot, a
// screen sprite), kept with its type, or nothing. The sender names the type
// it hands out (the level's points go as BaseLevelPoint, windows as
// GameWindow); a receiver asks for the type it expects and gets null for any
// other, so an object never travels as a bare integer and is never read as
// something it is not.

#include <type_traits>
#include <typeinfo>

class TutorialObject {
  public:
    TutorialObject() = default;
    template <class T> explicit TutorialObject(const T* object) : object_(object), type_(&typeid(T)) {
        if (!object) type_ = nullptr;
    }

    // The object handed out as a T (a derived object as its base):
    // TutorialObject::Of<GameWindow>(this).
    template <class T> static TutorialObject Of(const std::type_identity_t<T>* object) {
        return TutorialObject(object);
    }

    // The object when it was handed out as a T; null otherwise.
    template <class T> const T* As() const {
        return type_ && *type_ == typeid(T) ? static_cast<const T*>(object_) : nullptr;
    }
    // Whether it is that object (handed out as a T); never for null.
    template <class T> bool Is(const T* object) const { return object && As<T>() == object; }
    bool IsEmpty() const { return object_ == nullptr; }

    // Two messages carry the same object of the same type.
    friend bool operator==(const TutorialObject& a, const TutorialObject& b) {
        if (!a.type_ || !b.type_) return a.type_ == b.type_;
        return *a.type_ == *b.type_ && a.object_ == b.object_;
    }

  private:
    const void* object_ = nullptr;
    const std::type_info* type_ = nullptr;
};
