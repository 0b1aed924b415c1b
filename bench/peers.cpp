#include <cstdio>

#include "peer.hpp"

namespace bench {

namespace {

struct Candidate {
    const char* name;
    std::unique_ptr<Peer> (*make)();
};

const Candidate candidates[] = {
    {"xmlslice", make_xmlslice_peer},     {"pugixml", make_pugixml_peer},
    {"pugixml+ws", make_pugixml_ws_peer}, {"rapidxml", make_rapidxml_peer},
    {"tinyxml2", make_tinyxml2_peer},     {"libxml2", make_libxml2_peer}};

}  // namespace

Peers available_peers() {
    Peers peers;
    for (const Candidate& candidate : candidates) {
        if (auto peer = candidate.make())
            peers.push_back(std::move(peer));
        else
            std::printf("skipped %s: not found when the benchmarks were built\n", candidate.name);
    }
    return peers;
}

std::unique_ptr<Peer> make_peer(const std::string& name) {
    for (const Candidate& candidate : candidates)
        if (name == candidate.name) return candidate.make();
    return nullptr;
}

}  // namespace bench
