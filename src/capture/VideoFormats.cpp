#include "capture/VideoFormats.h"

int FormatResetProbe() {
    return 1;
}
