#pragma once

#include "mail/Base64Codec.h"

#include <memory>
#include <string>
#include <vector>

// One MIME entity of a message: a text or an attachment, possibly holding
// child entities. Rendering yields exactly the bytes the SMTP connection sends.
class CMailBodyPart {
public:
    // boundary: the part's own delimiter text, normally a new UUID.
    CMailBodyPart();
    explicit CMailBodyPart(std::string boundary);
    virtual ~CMailBodyPart();
    CMailBodyPart(const CMailBodyPart& other);
    CMailBodyPart& operator=(const CMailBodyPart& other);

    // Stores the text with every line end made CR LF; the part becomes text/plain.
    void StoreText(const std::string& text);
    const std::string& Text() const { return m_text; }

    // Appends a deep copy of part; returns its index.
    std::size_t AppendChild(const CMailBodyPart& part);
    void RemoveChild(std::size_t index);
    void RemoveAllChildren();
    CMailBodyPart* FindChildByType(const std::string& contentType);
    std::size_t ChildCount() const { return m_children.size(); }
    const CMailBodyPart& Child(std::size_t index) const { return *m_children[index]; }
    CMailBodyPart& Child(std::size_t index) { return *m_children[index]; }
    const CMailBodyPart* Parent() const { return m_parent; }
    const std::string& Boundary() const { return m_boundary; }

    std::string RenderPartHeader() const;
    // False when an attachment cannot be read.
    bool RenderPartBody(std::string& body);
    std::string RenderPartFooter() const;

    std::string AttachmentPath;
    std::string AttachmentTitle;
    std::string ContentType = "text/plain";
    std::string Charset = "iso-8859-1";
    std::string ContentBase;
    std::string ContentId;
    std::string ContentLocation;
    bool QuotedPrintable = true;
    bool Base64 = false;

private:
    void CopyFrom(const CMailBodyPart& other);
    std::string RenderBase64Lines(const void* data, std::size_t length);

    std::string m_text;
    CBase64Codec m_codec;
    std::vector<std::unique_ptr<CMailBodyPart>> m_children;
    CMailBodyPart* m_parent = nullptr;
    std::string m_boundary;
};
