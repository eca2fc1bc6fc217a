#include "core/installs/LibraryFolders.h"

#include <memory>
#include <optional>
#include <utility>

#include "core/Text.h"

namespace clipwarden {

namespace {

/** A KeyValues node: either a text or a list of named children. */
struct Node {
    std::string text;
    std::vector<std::pair<std::string, std::unique_ptr<Node>>> children;
    bool isObject = false;
};

/** Steam's text KeyValues format: quoted or bare tokens, braces, // comments. */
class Reader {
public:
    explicit Reader(std::string_view text) : text_(text) {}

    /** The whole file as one object; nothing when it is not well formed. */
    std::optional<Node> ReadFile() {
        Node root;
        root.isObject = true;
        if (!ReadChildren(root, 0) || Peek() != End) {
            return std::nullopt;
        }
        return root;
    }

private:
    enum Token { End, Open, Close, Word, Broken };

    // Nesting beyond this is no Steam file; refusing it keeps the stack small.
    static constexpr int kMaxDepth = 16;

    bool ReadChildren(Node& node, int depth) {
        if (depth > kMaxDepth) {
            return false;
        }
        while (Peek() == Word) {
            std::string key = word_;
            Advance();
            auto child = std::make_unique<Node>();
            if (Peek() == Word) {
                child->text = word_;
                Advance();
            } else if (Peek() == Open) {
                Advance();
                child->isObject = true;
                if (!ReadChildren(*child, depth + 1) || Peek() != Close) {
                    return false;
                }
                Advance();
            } else {
                return false;
            }
            node.children.emplace_back(std::move(key), std::move(child));
        }
        return Peek() != Broken;
    }

    Token Peek() {
        if (!peeked_) {
            token_ = Scan();
            peeked_ = true;
        }
        return token_;
    }

    void Advance() { peeked_ = false; }

    Token Scan() {
        for (;;) {
            while (pos_ < text_.size() && IsBlank(text_[pos_])) {
                ++pos_;
            }
            if (text_.substr(pos_, 2) == "//") {
                pos_ = std::min(text_.find('\n', pos_), text_.size());
                continue;
            }
            break;
        }
        if (pos_ >= text_.size()) {
            return End;
        }
        const char c = text_[pos_];
        if (c == '{' || c == '}') {
            ++pos_;
            return c == '{' ? Open : Close;
        }
        word_.clear();
        if (c == '"') {
            for (++pos_; pos_ < text_.size() && text_[pos_] != '"'; ++pos_) {
                if (text_[pos_] == '\\' && pos_ + 1 < text_.size()) {
                    ++pos_;
                    const char escaped = text_[pos_];
                    word_ += escaped == 'n' ? '\n' : escaped == 't' ? '\t' : escaped;
                } else {
                    word_ += text_[pos_];
                }
            }
            if (pos_ >= text_.size()) {
                return Broken; // a quote never closed
            }
            ++pos_;
            return Word;
        }
        while (pos_ < text_.size() && !IsBlank(text_[pos_]) && text_[pos_] != '{' &&
               text_[pos_] != '}' && text_[pos_] != '"') {
            word_ += text_[pos_++];
        }
        return Word;
    }

    static bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

    std::string_view text_;
    std::size_t pos_ = 0;
    std::string word_;
    Token token_ = End;
    bool peeked_ = false;
};

bool IsNumber(const std::string& key) {
    return !key.empty() && key.find_first_not_of("0123456789") == std::string::npos;
}

} // namespace

std::vector<std::string> ParseLibraryFolders(std::string_view text) {
    std::vector<std::string> paths;
    const auto root = Reader(text).ReadFile();
    if (!root || root->children.size() != 1 || !root->children.front().second->isObject) {
        return paths;
    }
    for (const auto& [key, entry] : root->children.front().second->children) {
        if (!IsNumber(key)) {
            continue; // "TimeNextStatsReport", "ContentStatsID" and the like
        }
        if (!entry->isObject) {
            paths.push_back(entry->text);
            continue;
        }
        for (const auto& [name, value] : entry->children) {
            if (ToLowerAscii(name) == "path" && !value->isObject && !value->text.empty()) {
                paths.push_back(value->text);
                break;
            }
        }
    }
    return paths;
}

} // namespace clipwarden
