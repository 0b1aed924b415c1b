// One XML library behind the interface the comparison drives.
#ifndef XMLSLICE_BENCH_PEER_HPP
#define XMLSLICE_BENCH_PEER_HPP

#include <cstddef>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace bench {

// Holds at most one parsed document and one serialised output at a time.
class Peer {
  public:
    virtual ~Peer() = default;
    virtual const char* name() const = 0;
    // `text` is writable and NUL-terminated at `length`; true when the parse succeeded.
    virtual bool parse(char* text, std::size_t length) = 0;
    virtual bool load(const char* path) = 0;
    // Untimed: makes room for the output where the caller provides the buffer.
    virtual void reserve_output(std::size_t) {}
    // Serialises the held document.
    virtual void write() = 0;
    // The bytes the last write produced; not timed.
    virtual std::size_t output_size() const = 0;
    virtual void discard_output() = 0;
    virtual void release() = 0;
    // Heap the library keeps for its own copy of the input, which is not tree memory.
    virtual std::size_t input_copy_bytes(std::size_t) const { return 0; }
    // A tree a host builds: a root, then `count` children appended to it one by one, held
    // like a parsed document; false when the library has no such operation here.
    virtual bool append_children(std::size_t) { return false; }
    // Takes the held tree's children off again, last first, freeing each.
    virtual void detach_children_last_first() {}
    // Whether nesting a million levels deep is safe: neither parse nor free recurses.
    virtual bool survives_deep_nesting() const { return false; }
};

// A library that writes through an iterator or callback, here into a preallocated string.
class StringOutputPeer : public Peer {
  public:
    void reserve_output(std::size_t bytes) override { output.reserve(bytes); }
    void discard_output() override { std::string().swap(output); }
    std::size_t output_size() const override { return output.size(); }

  protected:
    std::string output;
};

using Peers = std::vector<std::unique_ptr<Peer>>;

// xmlslice first, then every peer found at build time; names those that were not.
Peers available_peers();
// The library of that name, or null when it is unknown or was not found at build time.
std::unique_ptr<Peer> make_peer(const std::string& name);

// Each returns null when the library was not found at build time.
std::unique_ptr<Peer> make_xmlslice_peer();
std::unique_ptr<Peer> make_pugixml_peer();
std::unique_ptr<Peer> make_pugixml_ws_peer();
std::unique_ptr<Peer> make_rapidxml_peer();
std::unique_ptr<Peer> make_tinyxml2_peer();
std::unique_ptr<Peer> make_libxml2_peer();

// A large request makes glibc merge the chunks the last free left in its fast bins now,
// so that work is charged to that free and not to whatever allocates next.
inline void settle_heap() {
    std::free(std::malloc(1 << 20));
}

}  // namespace bench

#endif
