#pragma once

#include <QUrl>

#include <functional>

// The one web view window. show() creates it when it does not exist; navigate()
// loads an address in it without waiting for the page.
class ShopWindow
{
public:
    virtual ~ShopWindow() = default;
    virtual void show() = 0;
    virtual void navigate(const QUrl &address) = 0;
    // Called each time the window becomes the active one.
    virtual void setActivationHandler(std::function<void()> handler) { (void)handler; }
};
