#pragma once

#include <QString>
#include <QUrl>

class ShopWindow;

// The online shop that the shop buttons open. A made-up shop on a host name
// that can never resolve to anybody's server. The name is short because
// "Click For " and the name must fit whole in Command2's 89 pixels.
namespace Shop {
inline const QString name = QStringLiteral("Quire");
inline const QUrl address{QStringLiteral("http://www.quire.example/exec/obidos/redirect-home/corvanta-20")};

inline QString buyFromCaption() { return QStringLiteral("Click Here To Buy From ") + name; }
inline QString clickForCaption() { return QStringLiteral("Click For ") + name; }
} // namespace Shop

// What every shop button does: show the one web view window, then load the
// shop's address in it.
void openShop(ShopWindow &shop);
