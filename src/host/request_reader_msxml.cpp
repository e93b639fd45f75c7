#include "host/request_reader_msxml.h"

namespace dm {
namespace {

// IID_IXMLDOMDocument2; MinGW declares the interface without its id.
constexpr IID kIidXmlDomDocument2 = {0x2933BF95, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};

void SetProperty(IXMLDOMDocument2* document, const wchar_t* name, VARIANT value) {
  Bstr property(name);
  document->setProperty(property.Get(), value);
}

ComPtr<IXMLDOMNode> FirstChild(IXMLDOMNode* node) {
  ComPtr<IXMLDOMNode> child;
  ThrowIfFailed(node->get_firstChild(child.Put()), L"Reading the request");
  if (!child) throw Error(L"The request has no argument text");
  return child;
}

DOMNodeType NodeType(IXMLDOMNode* node) {
  DOMNodeType type = NODE_INVALID;
  ThrowIfFailed(node->get_nodeType(&type), L"Reading the request");
  return type;
}

std::wstring NodeName(IXMLDOMNode* node) {
  Bstr name;
  ThrowIfFailed(node->get_nodeName(name.Put()), L"Reading the request");
  return name.Str();
}

std::wstring NodeValue(IXMLDOMNode* node) {
  Variant value;
  ThrowIfFailed(node->get_nodeValue(value.Get()), L"Reading the request");
  return value.AsText();
}

// Every attribute that can be read; one that cannot is left out and so reads as the empty text.
std::vector<std::pair<std::wstring, std::wstring>> Attributes(IXMLDOMNode* element) {
  std::vector<std::pair<std::wstring, std::wstring>> attributes;
  ComPtr<IXMLDOMNamedNodeMap> map;
  long count = 0;
  if (FAILED(element->get_attributes(map.Put())) || !map || FAILED(map->get_length(&count))) return attributes;
  for (long i = 0; i < count; ++i) {
    ComPtr<IXMLDOMNode> attribute;
    if (FAILED(map->get_item(i, attribute.Put())) || !attribute) continue;
    try {
      attributes.emplace_back(NodeName(attribute.Get()), NodeValue(attribute.Get()));
    } catch (const ComError&) {
    }
  }
  return attributes;
}

}  // namespace

IXMLDOMDocument2* MsxmlRequestReader::Document() {
  if (xmlDoc_) return xmlDoc_.Get();
  CLSID documentClass;
  ThrowIfFailed(CLSIDFromProgID(L"Msxml2.DOMDocument.6.0", &documentClass), L"Finding MSXML 6");
  ComPtr<IXMLDOMDocument2> document;
  ThrowIfFailed(CoCreateInstance(documentClass, nullptr, CLSCTX_INPROC_SERVER, kIidXmlDomDocument2,
                                 document.PutVoid()),
                L"Creating the XML document");
  ThrowIfFailed(document->put_async(VARIANT_FALSE), L"Setting up the XML document");
  ThrowIfFailed(document->put_validateOnParse(VARIANT_FALSE), L"Setting up the XML document");
  ThrowIfFailed(document->put_resolveExternals(VARIANT_FALSE), L"Setting up the XML document");
  // The argument text must reach the command exactly as the movie wrote it, blanks and all.
  ThrowIfFailed(document->put_preserveWhiteSpace(VARIANT_TRUE), L"Setting up the XML document");
  // No document type definitions (so no entity expansion) and a bounded depth. Wine's MSXML lacks the
  // depth property; its parser has a depth limit of its own.
  VARIANT prohibit;
  prohibit.vt = VT_BOOL;
  prohibit.boolVal = VARIANT_TRUE;
  SetProperty(document.Get(), L"ProhibitDTD", prohibit);
  VARIANT depth;
  depth.vt = VT_I4;
  depth.lVal = 256;
  SetProperty(document.Get(), L"MaxElementDepth", depth);
  xmlDoc_ = std::move(document);
  return xmlDoc_.Get();
}

void MsxmlRequestReader::Load(const std::wstring& text) {
  IXMLDOMDocument2* document = Document();
  Bstr xml(text);
  VARIANT_BOOL loaded = VARIANT_FALSE;
  HRESULT hr = document->loadXML(xml.Get(), &loaded);
  if (FAILED(hr) || loaded != VARIANT_TRUE) throw Error(L"The request is not well-formed XML");
}

MovieCommand MsxmlRequestReader::Read(const std::wstring& requestText) {
  Load(requestText);
  ComPtr<IXMLDOMElement> root;
  ThrowIfFailed(xmlDoc_->get_documentElement(root.Put()), L"Reading the request");
  if (!root) throw Error(L"The request has no root element");
  ComPtr<IXMLDOMNode> arguments = FirstChild(root.Get());
  ComPtr<IXMLDOMNode> argument = FirstChild(arguments.Get());
  ComPtr<IXMLDOMNode> argumentText = FirstChild(argument.Get());
  if (NodeType(argumentText.Get()) != NODE_TEXT) throw Error(L"The first argument is not a string with text");

  MovieCommand command;
  command.text = CommandTextFromArgument(NodeValue(argumentText.Get()));
  Load(command.text);
  ComPtr<IXMLDOMNode> first;
  ThrowIfFailed(xmlDoc_->get_firstChild(first.Put()), L"Reading the command");
  // A declaration, comment, processing instruction or document type first is not a command, whatever
  // its name.
  if (!first || NodeType(first.Get()) != NODE_ELEMENT) throw Error(L"The command text does not start with an element");
  command.name = NodeName(first.Get());
  command.attributes = Attributes(first.Get());
  return command;
}

}  // namespace dm
