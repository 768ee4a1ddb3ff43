#pragma once
// Components: objects with an owner and a name. An owner frees what it owns
// when it is destroyed, and a component can ask another one to tell it when
// that one goes away (free notification), so references between components
// (a panel's frame controller, a form's default button) never dangle.
//
// Stored layouts are read with every component in the Loading state: its
// properties are assigned first, then Loaded() runs on each component in
// creation order. Setters that would raise events or compute layouts look at
// Loading() and hold back until then.
#include <QString>

#include <functional>
#include <vector>

// The root of everything that can be an event's sender.
class TObject {
public:
    virtual ~TObject() = default;
};

// Events carry their sender first.
using TNotifyEvent = std::function<void(TObject* Sender)>;

// Bits of ComponentState().
enum TComponentStateFlag : unsigned {
    csLoading = 0x01,     // stored properties are being assigned; Loaded() not yet run
    csReading = 0x02,
    csWriting = 0x04,
    csDestroying = 0x08,  // the destructor has started
    csDesigning = 0x10,   // never set: the program has no form designer
};
using TComponentState = unsigned;

enum TOperation { opInsert, opRemove };

class TComponent : public TObject {
public:
    explicit TComponent(TComponent* owner = nullptr);
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;
    ~TComponent() override;

    TComponent* Owner() const { return owner_; }
    const QString& Name() const { return name_; }
    virtual void SetName(const QString& name);
    int Tag() const { return tag_; }
    void SetTag(int tag) { tag_ = tag; }

    TComponentState ComponentState() const { return state_; }
    bool Loading() const { return (state_ & csLoading) != 0; }
    bool Designing() const { return (state_ & csDesigning) != 0; }
    bool Destroying() const { return (state_ & csDestroying) != 0; }

    // Owned components, in creation order.
    int ComponentCount() const { return static_cast<int>(components_.size()); }
    TComponent* Components(int index) const { return components_.at(static_cast<size_t>(index)); }
    int ComponentIndex() const;
    // The owned component with that name (case-insensitive), or nullptr.
    TComponent* FindComponent(const QString& name) const;

    // Marks this component as being read from a stored layout. A component
    // created while its owner is loading starts out loading as well.
    void BeginLoading();
    // Runs Loaded() on this component and then on every component it owns,
    // directly or indirectly, in creation order, for each that is still
    // loading: the final step of reading a stored layout.
    void EndLoading();
    // The step after the stored properties have been assigned. The base
    // clears csLoading; overrides call it first.
    virtual void Loaded();

    // Asks `component` to call this->Notification(component, opRemove) when
    // it is destroyed. The link is dropped when either side goes away.
    void FreeNotification(TComponent* component);
    void RemoveFreeNotification(TComponent* component);

    // Moves a component into or out of this one's ownership.
    void InsertComponent(TComponent* component);
    void RemoveComponent(TComponent* component);

    // Frees every owned component (last created first).
    void DestroyComponents();

protected:
    // Told about components entering or leaving: the owner and every
    // component it owns hear of an owned component's removal, and every
    // component that asked for a free notification hears of its destruction.
    // The base passes an owner's notification on to what it owns.
    virtual void Notification(TComponent* component, TOperation operation);

    // The first step of destruction: sets csDestroying, tells the owner and
    // the free-notification partners, frees the owned components. A derived
    // class whose own members must still exist while that happens (the
    // controls) calls it at the start of its destructor; it runs once.
    void BeginDestruction();

private:
    void RemoveNotifyLink(TComponent* component);

    TComponent* owner_ = nullptr;
    QString name_;
    int tag_ = 0;
    TComponentState state_ = 0;
    std::vector<TComponent*> components_;
    std::vector<TComponent*> freeNotifies_;
    bool destroyingDone_ = false;
};
