#include "shoplink.h"

#include "shopwindow.h"

void openShop(ShopWindow &shop)
{
    shop.show();
    shop.navigate(Shop::address);
}
