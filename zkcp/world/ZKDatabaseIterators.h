#ifndef ZKCP_WORLD_ZKDATABASEITERATORS_H
#define ZKCP_WORLD_ZKDATABASEITERATORS_H

#include <zkcp/foundation/RWCString.h>
#include <zkcp/foundation/ZKNameTableCursor.h>
#include <zkcp/world/ZKComponentDB.h>
#include <zkcp/world/ZKNavigationPath.h>

class ZKComponent;

// Iterators over the world's name tables. All share one protocol: a new or
// reset iterator stands before the first element; operator++(int) moves to
// the next one and returns 1, or 0 at the end; the getters read the element
// reached by the last step that returned 1. The order is the table's: by
// bucket of the name's exact hash, then by insertion within a bucket, so it
// depends on the names only and is the same on every run. An iterator made
// on a null world yields nothing.

// The active components of a world, all of them or only those of one
// parent model (compared ignoring case). Activating or deactivating a
// component during the walk makes the next step start over.
class ZKComponentIterator {
 public:
  enum Filter_t : int { all_active_components = 0, components_of_model = 1 };

  // Any filter other than components_of_model returns every active one.
  ZKComponentIterator(ZKComponentDB* world, Filter_t filter, const RWCString& model);
  ~ZKComponentIterator() = default;

  int operator++(int);
  ZKComponent* getValue() const { return current; }
  void reset();

 private:
  ZKComponentDB* world;
  int numActive;
  Filter_t filter;
  RWCString model;
  ZKNameTableCursor<ZKComponentDB::NameTable<ZKComponent*>> cursor;
  ZKComponent* current = nullptr;
};

// The world's external databases, by name and path.
class ZKDatabaseIterator {
 public:
  // Both point to the strings the world holds; null off an element.
  struct DatabaseNameAndPath_t {
    const RWCString* name = nullptr;
    const RWCString* path = nullptr;
  };

  explicit ZKDatabaseIterator(ZKComponentDB* world);
  ~ZKDatabaseIterator() = default;

  int operator++(int);
  // The iterator's own record, valid until the next step.
  const DatabaseNameAndPath_t* getValue() const { return &record; }
  void reset();

 private:
  ZKComponentDB* world;
  ZKNameTableCursor<ZKComponentDB::NameTable<RWCString>> cursor;
  DatabaseNameAndPath_t record;
};

// The world's navigation paths; the iterator hands out copies of its own.
class ZKNavigationPathIterator {
 public:
  explicit ZKNavigationPathIterator(ZKComponentDB* world);
  ~ZKNavigationPathIterator() = default;

  int operator++(int);
  const RWCString& getName() const { return name; }
  const ZKNavigationPath& getNavigationPath() const { return path; }
  void reset();

 private:
  ZKComponentDB* world;
  ZKNameTableCursor<ZKComponentDB::NameTable<ZKNavigationPath>> cursor;
  RWCString name;
  ZKNavigationPath path;
};

#endif
