#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "line_fit.h"

namespace runesuka {
namespace {

// tmHeight by lfHeight for bold faces, as Wine's font mapper realised them.
const std::map<int, int> kIpaPGothic = {{-13, 14}, {13, 13}, {-19, 21}, {19, 20}, {18, 18}, {17, 17}};
const std::map<int, int> kDroidSansFallback = {{-13, 17}, {13, 13}, {-17, 23}, {17, 17}};
// The Japanese UI face has no internal leading: a line is as tall as the em.
const std::map<int, int> kUiFace = {{-13, 13}, {-17, 17}};

struct Realised {
    const std::map<int, int>& metrics;
    std::vector<int> asked;
    int operator()(int lfHeight) {
        asked.push_back(lfHeight);
        return metrics.at(lfHeight);
    }
};

int Fit(int pitch, Realised& realised) {
    return FittingFontHeight(pitch, [&](int lfHeight) { return realised(lfHeight); });
}

TEST(FittingFontHeight, TheUiFaceKeepsTheUsualRequestAlone) {
    Realised face{kUiFace, {}};
    EXPECT_EQ(Fit(13, face), -13);
    EXPECT_EQ(face.asked, std::vector<int>{-13});
}

TEST(FittingFontHeight, ATallerFaceIsAskedByCellHeightAndStepsDownPastRounding) {
    Realised ipa{kIpaPGothic, {}};
    EXPECT_EQ(Fit(13, ipa), 13);
    EXPECT_EQ(ipa.asked, (std::vector<int>{-13, 13}));

    Realised rounded{kIpaPGothic, {}};
    EXPECT_EQ(Fit(19, rounded), 18);  // a 19 px cell comes out 20 px tall
    EXPECT_EQ(rounded.asked, (std::vector<int>{-19, 19, 18}));

    Realised droid{kDroidSansFallback, {}};
    EXPECT_EQ(Fit(17, droid), 17);
}

TEST(FittingFontHeight, AFaceThatFitsNothingEndsAtTheSmallestCell) {
    std::vector<int> asked;
    EXPECT_EQ(FittingFontHeight(3, [&](int lfHeight) { asked.push_back(lfHeight); return 99; }), 1);
    EXPECT_EQ(asked, (std::vector<int>{-3, 3, 2, 1}));
}

}  // namespace
}  // namespace runesuka
