#include "support/style_noise.h"
#include "app/startup.h"

void drop_known_style_noise() {
    drop_style_sheet_noise();
}
