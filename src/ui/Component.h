#pragma once
// Root of the component tree. A component is owned by its owner: the owner destroys the components
// it owns, newest first, when it goes. Components are created with `new` and handed to their owner
// at construction; nobody else deletes them.
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TObject {
public:
    TObject() = default;
    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;
    virtual ~TObject() = default;
};

using TNotifyEvent = std::function<void(TObject* Sender)>;

class TComponent : public TObject {
public:
    explicit TComponent(TComponent* owner);
    ~TComponent() override;

    TComponent* Owner() const { return FOwner; }
    const std::string& Name() const { return FName; }
    void SetName(const std::string& name) { FName = name; }
    int Tag() const { return FTag; }
    void SetTag(int tag) { FTag = tag; }

    int ComponentCount() const { return static_cast<int>(FComponents.size()); }
    TComponent* Components(int index) const { return FComponents.at(index); }
    // The owned component of that name (direct children only), or null.
    TComponent* FindComponent(const std::string& name) const;

    // Destroys every owned component, newest first. Called by destructors of owners that must tear
    // their children down before their own members go (forms do, so controls die before the window).
    void DestroyComponents();

private:
    void Insert(TComponent* c) { FComponents.push_back(c); }
    void Remove(TComponent* c);

    TComponent* FOwner;
    std::string FName;
    int FTag = 0;
    std::vector<TComponent*> FComponents;
};
