#pragma once
// Repeated measurements: min and median, and the timing helper.
#include <algorithm>
#include <chrono>
#include <vector>

namespace sgvrbench {

struct CSeries {
    std::vector<double> values;
    double Min() const { return *std::min_element(values.begin(), values.end()); }
    double Median() const {
        std::vector<double> v = values;
        std::sort(v.begin(), v.end());
        const size_t n = v.size();
        return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
    }
};

// Seconds taken by fn().
template <class Fn>
double TimeIt(Fn&& fn) {
    const auto t0 = std::chrono::steady_clock::now();
    fn();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

}  // namespace sgvrbench
