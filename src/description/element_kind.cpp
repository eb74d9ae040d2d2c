#include "description/element_kind.h"

#include "description/xml_text.h"

namespace {

ElementKind kindIfNamed(const XMLCh* localName, const char* name, ElementKind kind) {
    return xmlEqualsAscii(localName, name) ? kind : ElementKind::Unknown;
}

}  // namespace

// Every element of a document passes here twice, so the first letter picks the one name to
// compare with.
ElementKind elementKindOf(const XMLCh* localName) {
    if (localName == nullptr) {
        return ElementKind::Unknown;
    }
    switch (localName[0]) {
        case u'I':
            return localName[1] == u'T'
                       ? kindIfNamed(localName, "ITEM", ElementKind::Item)
                       : kindIfNamed(localName, "ISMODIFIABLE", ElementKind::Modifiable);
        case u'P':
            return kindIfNamed(localName, "PARAM", ElementKind::Param);
        case u'V':
            return kindIfNamed(localName, "VALUE", ElementKind::Value);
        case u'U':
            return kindIfNamed(localName, "UNIT", ElementKind::Unit);
        case u'R':
            return kindIfNamed(localName, "RELEVANCE", ElementKind::Relevance);
        default:
            return ElementKind::Unknown;
    }
}
