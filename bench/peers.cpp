#include <cstdio>

#include "peer.hpp"

namespace bench {

Peers available_peers() {
    struct Candidate {
        const char* name;
        std::unique_ptr<Peer> (*make)();
    };
    const Candidate candidates[] = {
        {"xmlslice", make_xmlslice_peer},     {"pugixml", make_pugixml_peer},
        {"pugixml+ws", make_pugixml_ws_peer}, {"rapidxml", make_rapidxml_peer},
        {"tinyxml2", make_tinyxml2_peer},     {"libxml2", make_libxml2_peer}};
    Peers peers;
    for (const Candidate& candidate : candidates) {
        if (auto peer = candidate.make())
            peers.push_back(std::move(peer));
        else
            std::printf("skipped %s: not found when the benchmarks were built\n", candidate.name);
    }
    return peers;
}

}  // namespace bench
