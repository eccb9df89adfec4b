#include <zkcp/world/ZKDatabaseIterators.h>

#include <zkcp/component/ZKComponent.h>

ZKComponentIterator::ZKComponentIterator(ZKComponentDB* world, Filter_t filter,
                                         const RWCString& model)
    : world(world),
      numActive(world ? world->getNumActiveComponents() : 0),
      filter(filter),
      model(model) {}

int ZKComponentIterator::operator++(int) {
  current = nullptr;
  if (!world) return 0;
  if (world->getNumActiveComponents() != numActive) reset();
  while (const auto* entry = cursor.next(world->activeComponents)) {
    ZKComponent* c = entry->value();
    if (filter == components_of_model &&
        c->getParentModel().compareTo(model, RWCString::ignoreCase) != 0) {
      continue;
    }
    current = c;
    return 1;
  }
  return 0;
}

void ZKComponentIterator::reset() {
  numActive = world ? world->getNumActiveComponents() : 0;
  cursor.reset();
  current = nullptr;
}

ZKDatabaseIterator::ZKDatabaseIterator(ZKComponentDB* world) : world(world) {}

int ZKDatabaseIterator::operator++(int) {
  record = DatabaseNameAndPath_t();
  if (!world) return 0;
  const auto* entry = cursor.next(world->externalDatabases);
  if (!entry) return 0;
  record.name = &entry->key();
  record.path = &entry->value();
  return 1;
}

void ZKDatabaseIterator::reset() {
  cursor.reset();
  record = DatabaseNameAndPath_t();
}

ZKNavigationPathIterator::ZKNavigationPathIterator(ZKComponentDB* world) : world(world) {}

int ZKNavigationPathIterator::operator++(int) {
  if (!world) return 0;
  const auto* entry = cursor.next(world->navigationPaths);
  if (!entry) return 0;
  name = entry->key();
  path = entry->value();
  return 1;
}

void ZKNavigationPathIterator::reset() { cursor.reset(); }
