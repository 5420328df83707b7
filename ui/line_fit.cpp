#include "line_fit.h"

namespace runesuka {

int FittingFontHeight(int pitch, const std::function<int(int lfHeight)>& lineHeight) {
    if (lineHeight(-pitch) <= pitch) return -pitch;
    for (int cell = pitch; cell > 1; --cell) {
        if (lineHeight(cell) <= pitch) return cell;
    }
    lineHeight(1);
    return 1;
}

}  // namespace runesuka
