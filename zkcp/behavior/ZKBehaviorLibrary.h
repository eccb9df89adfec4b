#ifndef ZKCP_BEHAVIOR_ZKBEHAVIORLIBRARY_H
#define ZKCP_BEHAVIOR_ZKBEHAVIORLIBRARY_H

#include <zkcp/behavior/ZKBehavior.h>
#include <zkcp/foundation/ZKNameTable.h>

// Turns behaviour requests into behaviours. The module M that holds the
// functions is the file "M.dll", loaded at most once per process; the
// behaviour "M:function" is made once and handed out again on later
// requests. All state is shared by every library object; when the last one
// goes, every module it opened is unloaded.
class ZKBehaviorLibrary {
 public:
  // A module file and the name of an action function in it.
  class ImportEntry {
   public:
    ImportEntry() = default;
    ImportEntry(const RWCString& dynModule, const RWCString& callback)
        : dynModule_(dynModule), callback_(callback) {}
    const RWCString& dynModule() const { return dynModule_; }
    const RWCString& callback() const { return callback_; }

   private:
    RWCString dynModule_;
    RWCString callback_;
  };

  ZKBehaviorLibrary();
  ZKBehaviorLibrary(const ZKBehaviorLibrary&);
  ZKBehaviorLibrary& operator=(const ZKBehaviorLibrary&) { return *this; }
  ~ZKBehaviorLibrary();

  // The behaviour "module:function". A registered one is returned as it is
  // (the first request fixes its other functions, events and
  // dependencies); otherwise the module is loaded if need be, the three
  // functions are looked up by name, and the behaviour is made. A module
  // that cannot be loaded writes "open failed" and gives a behaviour
  // without functions.
  ZKBehavior getBehavior(const RWCString& module, const RWCString& function,
                         const RWCString& initFunction, const RWCString& finiFunction,
                         const RWTValSlist<RWCString>& events,
                         const ZKBehavior::Dependencies& dependencies);
  ZKBehavior getBehavior(const RWCString& module, const RWCString& function,
                         const RWCString& initFunction, const RWCString& finiFunction,
                         const RWTValSlist<RWCString>& events,
                         const ZKBehavior::Dependencies& dependencies) const;

  // Reads the import table "./im_table": groups of three words, key,
  // module file and function name, into the table importTable() points at.
  // Does nothing while no table is set; nothing in the library calls it.
  static void init();
  static ZKNameTable<ImportEntry>* importTable() { return importTable_; }
  static void setImportTable(ZKNameTable<ImportEntry>* table) { importTable_ = table; }

 private:
  static ZKBehavior createBehavior(const RWCString& name, const ImportEntry& entry,
                                   const RWCString& initFunction, const RWCString& finiFunction,
                                   const RWTValSlist<RWCString>& events,
                                   const ZKBehavior::Dependencies& dependencies);
  static void* loadSO(const RWCString& file);
  static void* loadSym(void* module, const RWCString& name);
  static void closeOpenSOs();
  static void flush();
  static ZKNameTable<void*>& openSOs();

  static int ref_;
  static ZKNameTable<ImportEntry>* importTable_;
};

#endif
