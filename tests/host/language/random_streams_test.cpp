// The generator against MT19937's published values for init_genrand(5489): its first outputs
// 3499211612, 581869302 and its 10000th, 4123659995; RANUNI's recurrence and the normal
// quantile (AS 241) against values of R's qnorm.
#include "language/random_streams.h"

#include <gtest/gtest.h>

#include <cmath>

namespace quill::host {
namespace {

TEST(RandomStreams, StreamInitGivesTheReferenceSequence)
{
    RandomStreams r;
    r.stream_init(5489);
    EXPECT_EQ(r.raw(), 3499211612u);
    EXPECT_EQ(r.raw(), 581869302u);
    for (int k = 3; k < 10000; ++k)
        r.raw();
    EXPECT_EQ(r.raw(), 4123659995u);
    r.stream_init(1); // too late: the stream goes on
    RandomStreams again;
    again.stream_init(5489);
    EXPECT_EQ(again.uniform(), ((3499211612u >> 5) * 67108864.0 + (581869302u >> 6)) / 9007199254740992.0);
}

TEST(RandomStreams, DrawsCheckTheirParameters)
{
    RandomStreams r;
    r.stream_init(7);
    const double bad_p[] = {1.5}, bad_range[] = {3, 2}, binomial[] = {0.25, 8}, zero_n[] = {0.5, 0};
    EXPECT_TRUE(std::isnan(r.draw(Distribution::Bernoulli, bad_p, 1)));
    EXPECT_TRUE(std::isnan(r.draw(Distribution::Integer, bad_range, 2)));
    EXPECT_TRUE(std::isnan(r.draw(Distribution::T, nullptr, 0)));
    EXPECT_EQ(r.draw(Distribution::Binomial, zero_n, 2), 0);
    for (int k = 0; k < 1000; ++k) {
        const double b = r.draw(Distribution::Binomial, binomial, 2);
        ASSERT_TRUE(b >= 0 && b <= 8 && b == std::floor(b));
    }
}

TEST(RandomStreams, RanuniIsTheCongruentialRecurrence)
{
    RandomStreams r;
    const double m = 2147483647;
    EXPECT_EQ(r.ranuni(1), 397204094 / m);
    EXPECT_EQ(r.ranuni(99), static_cast<double>(397204094ull * 397204094ull % 2147483647ull) / m); // seed used once
}

TEST(Probability, NormalQuantileMatchesQnorm)
{
    // R: qnorm(c(0.975, 0.5, 1e-10, 1e-300)) to 16 digits.
    EXPECT_NEAR(normal_quantile(0.975), 1.959963984540054, 1e-15);
    EXPECT_EQ(normal_quantile(0.5), 0);
    EXPECT_NEAR(normal_quantile(1e-10), -6.361340902404056, 1e-14);
    EXPECT_NEAR(normal_quantile(1e-300), -37.0470962993612, 1e-12);
    EXPECT_TRUE(std::isnan(normal_quantile(0)));
    EXPECT_TRUE(std::isnan(normal_quantile(1)));
}

} // namespace
} // namespace quill::host
