#pragma once
#include <xercesc/util/XercesDefs.hpp>

// The six element names of the inventory XML format, matched exactly on the local name.
enum class ElementKind { Item, Param, Value, Unit, Modifiable, Relevance, Unknown };

ElementKind elementKindOf(const XMLCh* localName);
