#include <zkcp/component/ZKComponent.h>

#include <zkcp/attribute/ZKAttribute.h>

#include <Inventor/SoPath.h>
#include <Inventor/nodekits/SoNodeKitListPart.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoTransform.h>

namespace {

// SoPath::getLength stops at the first node kit. A path forks from itself
// at its last node.
int fullLength(const SoPath* path) {
  if (path->getLength() == 0) return 0;
  return path->findFork(path) + 1;
}

}  // namespace

SoGroup* ZKComponent::holderIn(SoNode* contents, ZKPart* part) {
  if (!contents) return nullptr;
  SoPath* path = findPath(contents, part);
  if (!path) return nullptr;
  SoGroup* holder = nullptr;
  int length = fullLength(path);
  if (length >= 2) {
    SoNode* above = path->getNode(length - 2);
    if (above->isOfType(SoGroup::getClassTypeId())) holder = static_cast<SoGroup*>(above);
  }
  path->unref();
  return holder;
}

// ---------------------------------------------------------------------------
// Logical parts

void ZKComponent::addPart(const RWCString& name, ZKPart* part, ZKPart* parent) {
  ZKPart* target = parent ? parent : this;
  if (!part) return;
  SoGroup* contents = static_cast<SoGroup*>(target->getPart("contents", TRUE));
  if (!contents) return;
  contents->addChild(part);
  addPartToList(name, part);
  part->setName(SbName(name.data()));
}

void ZKComponent::addPartToList(const RWCString& name, ZKPart* part) {
  if (!part || name.isNull()) return;
  logicalParts.insert(name, part);
}

ZKPart* ZKComponent::getLogicalPart(const RWCString& name) {
  ZKPart** part = logicalParts.find(name);
  return part ? *part : nullptr;
}

const RWCString* ZKComponent::getLogicalPartName(ZKPart* part) {
  if (!part) return nullptr;
  for (const auto& entry : logicalParts) {
    if (entry.value() == part) return &entry.key();
  }
  return nullptr;
}

void ZKComponent::getLogicalPartNames(RWTValSortedVector<RWCString>& out) {
  out.clear();
  for (const auto& entry : logicalParts) out.insert(entry.key());
}

int ZKComponent::isValidPart(const RWCString& name) { return logicalParts.contains(name) ? 1 : 0; }

int ZKComponent::getNumParts() const { return static_cast<int>(logicalParts.entries()); }

int ZKComponent::getNewPartName(RWCString& out) {
  char name[16];
  for (int i = 0; i < 9999; ++i) {
    std::snprintf(name, sizeof name, "Part%04i", i);
    if (!logicalParts.contains(RWCString(name))) {
      out = name;
      return -1;
    }
  }
  std::snprintf(name, sizeof name, "Part%04i", 9999);
  out = name;
  return 0;
}

ZKPart* ZKComponent::parentPartOf(ZKPart* part) {
  SoPath* path = findPath(this, part);
  if (!path) return nullptr;
  // Kit-internal groups and list parts lie between a part and the part
  // holding it, so the nearest part above on the path is the parent.
  ZKPart* parent = nullptr;
  for (int i = fullLength(path) - 2; i >= 0 && !parent; --i) {
    SoNode* above = path->getNode(i);
    if (above->isOfType(ZKPart::getClassTypeId())) parent = static_cast<ZKPart*>(above);
  }
  path->unref();
  return parent;
}

void ZKComponent::removePart(ZKPart* part) {
  if (!part) return;
  ZKPart* parent = parentPartOf(part);
  if (!parent) return;
  part->ref();
  SoNodeKitListPart* childList = static_cast<SoNodeKitListPart*>(parent->getPart("childList", FALSE));
  int index = childList ? childList->findChild(part) : -1;
  if (index >= 0) {
    childList->removeChild(index);
  } else if (SoGroup* holder = holderIn(parent->getPart("contents", FALSE), part)) {
    holder->removeChild(part);
  }
  if (const RWCString* name = getLogicalPartName(part)) logicalParts.remove(RWCString(*name));
  part->unref();
}

void ZKComponent::removePart(const RWCString& name) { removePart(getLogicalPart(name)); }

int ZKComponent::replacePart(ZKPart* oldPart, ZKPart* newPart) {
  if (!oldPart || !newPart) return 0;
  const RWCString* key = getLogicalPartName(oldPart);
  if (!key) return 0;
  RWCString name = *key;
  newPart->getTransform()->translation.setValue(oldPart->getTransform()->translation.getValue());
  oldPart->setTag(oldPart->buildTag());
  newPart->setTag(newPart->buildTag());
  if (oldPart->getTag() != newPart->getTag()) return 0;
  ZKPart* parent = parentPartOf(oldPart);
  if (!parent) return 0;
  SoNodeKitListPart* childList = static_cast<SoNodeKitListPart*>(parent->getPart("childList", FALSE));
  int index = childList ? childList->findChild(oldPart) : -1;
  if (index >= 0) {
    childList->replaceChild(index, newPart);
  } else if (SoGroup* holder = holderIn(parent->getPart("contents", FALSE), oldPart)) {
    holder->replaceChild(oldPart, newPart);
  } else {
    return 0;
  }
  logicalParts.insert(name, newPart);
  newPart->setName(SbName(name.data()));
  return 1;
}

int ZKComponent::replacePart(const RWCString& name, ZKPart* newPart) {
  return replacePart(getLogicalPart(name), newPart);
}

void ZKComponent::setLogicalPartName(ZKPart* part, const RWCString& newName) {
  if (logicalParts.contains(newName)) return;
  const RWCString* oldName = getLogicalPartName(part);
  if (!oldName) return;
  logicalParts.remove(RWCString(*oldName));
  logicalParts.insert(newName, part);
}

void ZKComponent::setLogicalPartName(const RWCString& oldName, const RWCString& newName) {
  if (logicalParts.contains(newName)) return;
  ZKPart* part = nullptr;
  if (!logicalParts.remove(oldName, &part)) return;
  logicalParts.insert(newName, part);
}

// ---------------------------------------------------------------------------
// Items

void ZKComponent::addItem(ZKPart* item) {
  if (!item) return;
  item->ref();
  RWCString name(item->getName().getString());
  if (ZKPart** held = items.find(name)) {
    // A different item under the same name gives up its place and the
    // reference held for it.
    if (*held != item) {
      ZKPart* replaced = *held;
      *held = item;
      replaced->unref();
    }
  } else {
    items.insert(name, item);
  }
  if (item->isOfType(ZKComponent::getClassTypeId())) {
    static_cast<ZKComponent*>(item)->parentContainer = RWCString(getName().getString());
  }
}

void ZKComponent::removeItem(ZKPart* item) {
  if (!item) return;
  item->ref();
  ZKPart* held = nullptr;
  if (items.remove(RWCString(item->getName().getString()), &held)) {
    if (held->isOfType(ZKComponent::getClassTypeId())) {
      static_cast<ZKComponent*>(held)->parentContainer = "";
    }
    held->unref();
  }
  SoNodeKitListPart* childList = static_cast<SoNodeKitListPart*>(getPart("childList", FALSE));
  if (childList) {
    int index = childList->findChild(item);
    if (index >= 0) childList->removeChild(index);
  }
  item->unref();
}

ZKPart* ZKComponent::getItem(const RWCString& name) {
  ZKPart** item = items.find(name);
  return item ? *item : nullptr;
}

int ZKComponent::isValidItem(ZKPart* item) {
  return item && items.contains(RWCString(item->getName().getString())) ? 1 : 0;
}

int ZKComponent::getNumItems() const { return static_cast<int>(items.entries()); }

void ZKComponent::setItemVisibility(ZKPart* item, int visible) {
  SoNodeKitListPart* childList = static_cast<SoNodeKitListPart*>(getPart("childList", FALSE));
  if (!childList || !item) return;
  int index = childList->findChild(item);
  if (visible) {
    if (index < 0) childList->addChild(item);
  } else if (index >= 0) {
    childList->removeChild(index);
  }
}

// ---------------------------------------------------------------------------
// Attributes

void ZKComponent::addAttribute(const RWCString& name, ZKAttribute* attr) {
  if (!attr || name.isNull()) return;
  attributes.insert(name, attr);
  attr->setOwner(this);
}

ZKAttribute* ZKComponent::getAttribute(const RWCString& name) {
  ZKAttribute** attr = attributes.find(name);
  return attr ? *attr : nullptr;
}

int ZKComponent::isValidAttribute(const RWCString& name) {
  return attributes.contains(name) ? 1 : 0;
}

int ZKComponent::getNumAttributes() const { return static_cast<int>(attributes.entries()); }

const RWCString* ZKComponent::getAttributeName(ZKAttribute* attr) {
  for (const auto& entry : attributes)
    if (entry.value() == attr) return &entry.key();
  return nullptr;
}

void ZKComponent::removeAttribute(ZKAttribute* attr) {
  if (const RWCString* name = getAttributeName(attr)) attributes.remove(RWCString(*name));
}

void ZKComponent::removeAttribute(const RWCString& name) { removeAttribute(getAttribute(name)); }

void ZKComponent::setAttributeName(ZKAttribute* attr, const RWCString& newName) {
  if (attributes.contains(newName)) return;
  const RWCString* oldName = getAttributeName(attr);
  if (!oldName) return;
  attributes.remove(RWCString(*oldName));
  attributes.insert(newName, attr);
}

void ZKComponent::setAttributeName(const RWCString& oldName, const RWCString& newName) {
  setAttributeName(getAttribute(oldName), newName);
}

void ZKComponent::getAttributeNames(RWTValSortedVector<RWCString>& out) {
  out.clear();
  for (const auto& entry : attributes) out.insert(entry.key());
}

void ZKComponent::getAttributeValues(RWTValSortedVector<RWCString>& out) {
  size_t i = 0;
  for (const auto& entry : attributes) {
    if (i >= out.entries()) break;
    SbString text;
    entry.value()->get(text);
    out(i++) = RWCString(text.getString(), static_cast<size_t>(text.getLength()));
  }
}

void ZKComponent::setAttributeValues(RWTValSortedVector<RWCString>& in) {
  size_t i = 0;
  for (const auto& entry : attributes) {
    if (i >= in.entries()) break;
    entry.value()->set(in(i++).data());
  }
}

// ---------------------------------------------------------------------------
// Keywords, event names and sub-component names

void ZKComponent::addKeyword(const RWCString& keyword) {
  if (!keywords.contains(keyword)) keywords.insert(keyword);
}

void ZKComponent::removeKeyword(const RWCString& keyword) { keywords.remove(keyword); }

void ZKComponent::getKeywords(RWTValSortedVector<RWCString>& out) {
  for (const RWCString& k : keywords) out.insert(k);
}

int ZKComponent::getNumKeywords() const { return static_cast<int>(keywords.entries()); }

void ZKComponent::addEventIn(const RWCString& name) {
  if (!name.isNull() && !eventInNames.contains(name)) eventInNames.insert(name);
}

void ZKComponent::addEventOut(const RWCString& name) {
  if (!name.isNull() && !eventOutNames.contains(name)) eventOutNames.insert(name);
}

void ZKComponent::getEventInNames(RWTValSortedVector<RWCString>& out) {
  for (const RWCString& n : eventInNames) out.insert(n);
}

void ZKComponent::getEventOutNames(RWTValSortedVector<RWCString>& out) {
  for (const RWCString& n : eventOutNames) out.insert(n);
}

void ZKComponent::addComponent(const RWCString& name) {
  if (!name.isNull() && !subComponentNames.contains(name)) subComponentNames.insert(name);
}

void ZKComponent::getSubComponentNames(RWTValSortedVector<RWCString>& out) {
  out.clear();
  for (const RWCString& n : subComponentNames) out.insert(n);
}
