#pragma once

#include "TXmlNode.h"
#include "TXmlNodeList.h"

#include <memory>
#include <string_view>

class QByteArray;

// A document: the top-level nodes of one parsed text.
class TXmlDocument : public TXmlNode, public std::enable_shared_from_this<TXmlDocument>
{
public:
    // Elements nested deeper than this make LoadXML raise instead of
    // exhausting memory or the stack of whoever walks the tree.
    static constexpr int MaxDepth = 4096;

    // Use CreateXmlDocument.
    explicit TXmlDocument(std::shared_ptr<TXmlNameTable> names);
    ~TXmlDocument() override;

    // Drops the current children, then parses text (Windows-1250 bytes) and
    // appends its top-level nodes. Raises EXmlError at the first fault; the
    // nodes made before it stay in the document.
    void LoadXML(std::string_view text);
    void LoadXML(const QByteArray &text);

    // The first element child, or none.
    IXmlElement DocumentElement() const;
    IXmlNodeList ChildNodes() const override;
    const TXmlNodeList &children() const { return children_; }
    const std::shared_ptr<TXmlNameTable> &NameTable() const { return names_; }

protected:
    void appendText(std::string &out) const override { appendJoined(children_, out); }

private:
    friend class TXmlNode;
    friend class TXmlParser;
    friend IXmlDocument CreateXmlDocument(std::string_view, std::string_view, std::string_view,
                                          std::shared_ptr<TXmlNameTable>);
    // Starts a fresh arena for the nodes that follow.
    TXmlStore &renew();
    void addDeclarationAndRoot(std::string_view rootName, std::string_view version, std::string_view encoding);

    const std::shared_ptr<TXmlNameTable> names_;
    std::shared_ptr<TXmlStore> tree_; // the arena of the current children
    TXmlNodeList children_;
};
