#pragma once

#include <QByteArray>

class QWidget;

// Brings a window of this program to the front on behalf of another launch
// of it, with that launch's activation token: XDG_ACTIVATION_TOKEN on Wayland
// (xdg_activation_v1; without a token the compositor may refuse), or
// DESKTOP_STARTUP_ID on X11, whose startup notification is completed here
// since the launch it belongs to shows no window of its own.
void bringToFront(QWidget *window, const QByteArray &token);

// The token this launch was given, read before the toolkit takes it away.
QByteArray launchActivationToken();
