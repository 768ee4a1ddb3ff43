#include "Components.h"

#include <algorithm>

TComponent::TComponent(TComponent* owner)
{
    if (owner) {
        owner->InsertComponent(this);
        // Created while the owner's layout is read: part of that layout.
        if (owner->Loading())
            state_ |= csLoading;
    }
}

TComponent::~TComponent()
{
    BeginDestruction();
}

void TComponent::BeginDestruction()
{
    if (destroyingDone_)
        return;
    destroyingDone_ = true;
    state_ |= csDestroying;

    // Everyone holding a reference to us lets go of it.
    while (!freeNotifies_.empty()) {
        TComponent* other = freeNotifies_.back();
        freeNotifies_.pop_back();
        other->RemoveNotifyLink(this);
        if (!other->Destroying())
            other->Notification(this, opRemove);
    }
    DestroyComponents();
    if (owner_)
        owner_->RemoveComponent(this);
}

void TComponent::SetName(const QString& name)
{
    name_ = name;
}

int TComponent::ComponentIndex() const
{
    if (!owner_)
        return -1;
    const auto& list = owner_->components_;
    auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

TComponent* TComponent::FindComponent(const QString& name) const
{
    if (name.isEmpty())
        return nullptr;
    for (TComponent* c : components_)
        if (c->name_.compare(name, Qt::CaseInsensitive) == 0)
            return c;
    return nullptr;
}

void TComponent::BeginLoading()
{
    state_ |= csLoading;
}

namespace {
void CollectLoading(TComponent* c, std::vector<TComponent*>& out)
{
    out.push_back(c);
    for (int i = 0; i < c->ComponentCount(); ++i)
        CollectLoading(c->Components(i), out);
}
}

void TComponent::EndLoading()
{
    std::vector<TComponent*> all;
    CollectLoading(this, all);
    // A Loaded() may free or create components: only call those that are
    // still among the tree and still waiting.
    for (TComponent* c : all) {
        std::vector<TComponent*> now;
        CollectLoading(this, now);
        if (std::find(now.begin(), now.end(), c) == now.end())
            continue;
        if (c->Loading())
            c->Loaded();
    }
}

void TComponent::Loaded()
{
    state_ &= ~static_cast<unsigned>(csLoading);
}

void TComponent::FreeNotification(TComponent* component)
{
    if (!component || component == this)
        return;
    if (std::find(freeNotifies_.begin(), freeNotifies_.end(), component) == freeNotifies_.end())
        freeNotifies_.push_back(component);
    auto& theirs = component->freeNotifies_;
    if (std::find(theirs.begin(), theirs.end(), this) == theirs.end())
        theirs.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* component)
{
    if (!component)
        return;
    RemoveNotifyLink(component);
    component->RemoveNotifyLink(this);
}

void TComponent::RemoveNotifyLink(TComponent* component)
{
    freeNotifies_.erase(std::remove(freeNotifies_.begin(), freeNotifies_.end(), component), freeNotifies_.end());
}

void TComponent::InsertComponent(TComponent* component)
{
    if (!component || component->owner_ == this)
        return;
    if (component->owner_)
        component->owner_->RemoveComponent(component);
    components_.push_back(component);
    component->owner_ = this;
    Notification(component, opInsert);
}

void TComponent::RemoveComponent(TComponent* component)
{
    if (!component || component->owner_ != this)
        return;
    if (!Destroying())
        Notification(component, opRemove);
    components_.erase(std::remove(components_.begin(), components_.end(), component), components_.end());
    component->owner_ = nullptr;
}

void TComponent::DestroyComponents()
{
    while (!components_.empty()) {
        TComponent* c = components_.back();
        components_.pop_back();
        c->owner_ = nullptr;
        delete c;
    }
}

void TComponent::Notification(TComponent* component, TOperation operation)
{
    if (operation == opRemove && component)
        RemoveFreeNotification(component);
    // Pass it on to what we own; the list may shrink meanwhile.
    for (size_t i = components_.size(); i > 0; --i) {
        if (i - 1 < components_.size() && components_[i - 1] != component)
            components_[i - 1]->Notification(component, operation);
    }
}
