#include "XmlParser.h"

#include <expat.h>

#include <cstring>

#include "WorkbookErrors.h"
#include "ZipArchive.h"

const char *XmlLocalName(const char *name) {
  // Names are a few characters: one pass beats a library call on every element and attribute.
  const char *local = name;
  for (const char *p = name; *p; ++p)
    if (*p == ':') local = p + 1;
  return local;
}

const char *XmlAttribute(const char **attributes, const char *localName) {
  for (const char **a = attributes; *a; a += 2)
    if (std::strcmp(XmlLocalName(a[0]), localName) == 0) return a[1];
  return nullptr;
}

long long XmlInteger(const char *text, long long fallback) {
  if (!text) return fallback;
  while (*text == ' ' || *text == '\t' || *text == '\n' || *text == '\r') ++text;
  bool negative = false;
  if (*text == '-' || *text == '+') negative = *text++ == '-';
  if (*text < '0' || *text > '9') return fallback;
  long long value = 0;
  for (; *text >= '0' && *text <= '9'; ++text) {
    value = value * 10 + (*text - '0');
    if (value > (1LL << 31)) return fallback;
  }
  while (*text == ' ' || *text == '\t' || *text == '\n' || *text == '\r') ++text;
  if (*text) return fallback;
  return negative ? -value : value;
}

bool XmlBoolean(const char *text) {
  if (!text) return false;
  while (*text == ' ' || *text == '\t' || *text == '\n' || *text == '\r') ++text;
  size_t n = std::strlen(text);
  while (n > 0 &&
         (text[n - 1] == ' ' || text[n - 1] == '\t' || text[n - 1] == '\n' || text[n - 1] == '\r'))
    --n;
  return (n == 1 && text[0] == '1') || (n == 4 && std::strncmp(text, "true", 4) == 0);
}

namespace {
constexpr int kMaxHeldBytes = 1 << 20;
}  // namespace

struct XmlParser::Context {
  XML_Parser parser = nullptr;
  XmlHandler *handler = nullptr;
  bool refused = false;  // a DTD appeared
  bool textOn = true;
  bool syntaxError = false;
};

namespace {
void stopParser(XML_Parser parser) { XML_StopParser(parser, XML_FALSE); }

void XMLCALL onText(void *data, const XML_Char *text, int length);

void afterEvent(XmlParser::Context *c) {
  if (c->handler->stopped()) stopParser(c->parser);
  if (c->handler->wantsText() != c->textOn) {
    c->textOn = c->handler->wantsText();
    XML_SetCharacterDataHandler(c->parser, c->textOn ? onText : nullptr);
  }
}

void XMLCALL onStart(void *data, const XML_Char *name, const XML_Char **attributes) {
  auto *c = static_cast<XmlParser::Context *>(data);
  c->handler->startElement(XmlLocalName(name), attributes);
  afterEvent(c);
}

void XMLCALL onEnd(void *data, const XML_Char *name) {
  auto *c = static_cast<XmlParser::Context *>(data);
  c->handler->endElement(XmlLocalName(name));
  afterEvent(c);
}

void XMLCALL onText(void *data, const XML_Char *text, int length) {
  auto *c = static_cast<XmlParser::Context *>(data);
  c->handler->characters(text, length);
  // A handler may refuse a text as it arrives: one long text holds no element event.
  if (c->handler->stopped()) stopParser(c->parser);
}

void XMLCALL onDoctype(void *data, const XML_Char *, const XML_Char *, const XML_Char *, int) {
  auto *c = static_cast<XmlParser::Context *>(data);
  c->refused = true;
  stopParser(c->parser);
}

void XMLCALL onEntity(void *data, const XML_Char *, int, const XML_Char *, int, const XML_Char *,
                      const XML_Char *, const XML_Char *, const XML_Char *) {
  auto *c = static_cast<XmlParser::Context *>(data);
  c->refused = true;
  stopParser(c->parser);
}
}  // namespace

XmlParser::XmlParser(XmlHandler &handler) : context_(new Context) {
  context_->handler = &handler;
  context_->textOn = handler.wantsText();
  context_->parser = XML_ParserCreate(nullptr);
  XML_SetUserData(context_->parser, context_);
  XML_SetElementHandler(context_->parser, onStart, onEnd);
  if (context_->textOn) XML_SetCharacterDataHandler(context_->parser, onText);
  XML_SetStartDoctypeDeclHandler(context_->parser, onDoctype);
  XML_SetEntityDeclHandler(context_->parser, onEntity);
  XML_SetParamEntityParsing(context_->parser, XML_PARAM_ENTITY_PARSING_NEVER);
}

XmlParser::~XmlParser() {
  XML_ParserFree(context_->parser);
  delete context_;
}

bool XmlParser::feed(const char *data, size_t size, bool final) {
  if (context_->handler->stopped() || context_->refused) return false;
  const XML_Status status =
      XML_Parse(context_->parser, data, static_cast<int>(size), final ? XML_TRUE : XML_FALSE);
  if (status == XML_STATUS_ERROR) {
    if (XML_GetErrorCode(context_->parser) != XML_ERROR_ABORTED) context_->syntaxError = true;
    return false;
  }
  // Expat holds an unfinished tag whole, however long: a start tag with an attribute of a
  // gigabyte would cost that much, and rescanning it with every chunk far more time. No tag of
  // a workbook comes near a megabyte (a cell of 32,767 characters in an attribute takes 100 KB).
  int offset = 0, held = 0;
  if (XML_GetInputContext(context_->parser, &offset, &held) && held > kMaxHeldBytes) {
    context_->syntaxError = true;
    return false;
  }
  return !context_->handler->stopped() && !context_->refused;
}

bool XmlParser::result(QString &reason) const {
  if (!context_->handler->failure().isEmpty()) {
    reason = context_->handler->failure();
    return false;
  }
  if (context_->refused || context_->syntaxError) {
    reason = ReasonDamaged();
    return false;
  }
  return true;
}

bool XmlParser::parsePart(const ZipArchive &zip, qint64 index, qint64 limit, QString &reason) {
  bool more = true;
  const bool read = zip.read(
      index, limit,
      [this, &more](const char *data, size_t size) {
        // Chunks stay far below INT_MAX, which is what expat takes.
        more = feed(data, size, false);
        return more;
      },
      reason);
  if (!read) return false;
  if (more) feed(nullptr, 0, true);
  return result(reason);
}
