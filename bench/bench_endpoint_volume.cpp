// How long the endpoint volume's calls take against a sound server: connect
// (once per start of the program), read, and set (once per frequency of a
// hearing test). Run against a server (tests/audio/with_pulse.sh does for
// ctest).
//
//   bench_endpoint_volume [ROUNDS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "audio/pulse_endpoint_volume.h"

using namespace std::chrono;

namespace {

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

template <class F> double Ms(F f) {
    const auto t0 = steady_clock::now();
    f();
    return duration<double, std::milli>(steady_clock::now() - t0).count();
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = std::max(1, argc > 1 ? std::atoi(argv[1]) : 20);
    std::vector<double> connect, get, set;
    for (int i = 0; i < rounds; ++i) {
        std::unique_ptr<tonmark::PulseEndpointVolume> endpoint;
        connect.push_back(Ms([&] { endpoint = std::make_unique<tonmark::PulseEndpointVolume>(); }));
        if (!endpoint->Connected()) {
            std::fprintf(stderr, "no sound server answered\n");
            return 1;
        }
        tonmark::VolumeControl::Levels levels;
        get.push_back(Ms([&] { (void)endpoint->Get(levels); }));
        const int32_t value = i % 2 ? endpoint->Maxvalue() / 2 : endpoint->Maxvalue();
        set.push_back(Ms([&] { (void)endpoint->Set(value, value); }));
    }
    std::printf("endpoint volume, median of %d: connect %.2f ms, read %.2f ms, set %.2f ms\n",
                rounds, Median(connect), Median(get), Median(set));
    return 0;
}
