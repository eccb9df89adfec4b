#ifndef ZKCP_BEHAVIOR_ZKBEHAVIOR_H
#define ZKCP_BEHAVIOR_ZKBEHAVIOR_H

#include <zkcp/behavior/ZKField.h>
#include <zkcp/foundation/RWCString.h>
#include <zkcp/foundation/RWTValSlist.h>
#include <zkcp/foundation/Std_List.h>

class ZKBehaviorRep;
class ZKComponent;

// The definition of one behaviour: an action function and optional
// initialisation and finishing functions, all taking the component they run
// on, with their names, the module they come from, event names, the
// attributes and parts the behaviour depends on, and its interface fields.
//
// ZKBehavior is a cheap handle on a shared, counted representation. Every
// representation is registered by name while handles hold it, so a
// behaviour is defined once and shared by every component that uses it.
class ZKBehavior {
 public:
  typedef void (*Function)(ZKComponent*);

  // The attribute and part names a behaviour needs, in the order added,
  // duplicates included.
  class Dependencies {
   public:
    void addAttribute(const RWCString& name) { attributes.append(name); }
    void addPart(const RWCString& name) { parts.append(name); }
    const RWTValSlist<RWCString>& getAttributes() const { return attributes; }
    const RWTValSlist<RWCString>& getParts() const { return parts; }

   private:
    RWTValSlist<RWCString> attributes;
    RWTValSlist<RWCString> parts;
  };

  ZKBehavior() : rep(nullptr) {}
  // Defines and registers a behaviour under `name`; a representation
  // already registered under it lives on, unregistered, while handles hold
  // it.
  ZKBehavior(const RWCString& name, const RWCString& library, const RWCString& callbackName,
             Function callback, const RWTValSlist<RWCString>& events,
             const Dependencies& dependencies, const RWCString& initCallbackName,
             Function initCallback, const RWCString& finiCallbackName, Function finiCallback);
  ZKBehavior(const ZKBehavior& other);
  ZKBehavior& operator=(const ZKBehavior& other);
  ~ZKBehavior();

  // A handle on the behaviour registered under `name`, or an empty one.
  static ZKBehavior getInstance(const RWCString& name);
  static int exists(const RWCString& name);
  static unsigned hash(const RWCString& name);

  // True for a handle on a behaviour with a non-empty name.
  int isValid() const;
  // Whether both handles share one definition.
  int sameDefinition(const ZKBehavior& other) const { return rep == other.rep; }

  // Everything below goes to the shared definition without checking for an
  // empty handle: check isValid() first.
  const RWCString& getName() const;
  const RWCString& getLibrary() const;
  const RWCString& getCallbackName() const;
  const RWCString& getGlobalName() const;
  const RWCString& getInitCallbackName() const;
  const RWCString& getFiniCallbackName() const;
  const RWCString& getDefinitionFilename() const;
  const RWCString& getAnimationFilename() const;
  const RWTValSlist<RWCString>& getEvents() const;
  const Dependencies& getDependencies() const;
  Function getCallbackFunc() const;
  void setGlobalName(const RWCString& name);
  void setDefinitionFilename(const RWCString& file);
  void setAnimationFilename(const RWCString& file);

  // The interface fields of the action, initialisation and finishing
  // functions; each setter replaces the list by a copy of the given one.
  const Std_List<ZKField>& actionFields() const;
  const Std_List<ZKField>& actionEventIns() const;
  const Std_List<ZKField>& actionEventOuts() const;
  const Std_List<ZKField>& initFields() const;
  const Std_List<ZKField>& initEventIns() const;
  const Std_List<ZKField>& initEventOuts() const;
  const Std_List<ZKField>& finiFields() const;
  const Std_List<ZKField>& finiEventIns() const;
  const Std_List<ZKField>& finiEventOuts() const;
  void actionFields(const Std_List<ZKField>& fields);
  void actionEventIns(const Std_List<ZKField>& fields);
  void actionEventOuts(const Std_List<ZKField>& fields);
  void initFields(const Std_List<ZKField>& fields);
  void initEventIns(const Std_List<ZKField>& fields);
  void initEventOuts(const Std_List<ZKField>& fields);
  void finiFields(const Std_List<ZKField>& fields);
  void finiEventIns(const Std_List<ZKField>& fields);
  void finiEventOuts(const Std_List<ZKField>& fields);

  // Run the initialisation or finishing function on `c`; a null function
  // does nothing.
  void initialize(ZKComponent* c) const;
  void finish(ZKComponent* c) const;

 private:
  void release();

  ZKBehaviorRep* rep;
};

// The shared definition behind ZKBehavior handles.
class ZKBehaviorRep {
 public:
  // Copies every member, the count included; the registry is not touched.
  ZKBehaviorRep(const ZKBehaviorRep& other) = default;
  ZKBehaviorRep& operator=(const ZKBehaviorRep& other) = default;

 private:
  friend class ZKBehavior;
  ZKBehaviorRep(const RWCString& name, const RWCString& library, const RWCString& callbackName,
                ZKBehavior::Function callback, const RWTValSlist<RWCString>& events,
                const ZKBehavior::Dependencies& dependencies, const RWCString& initCallbackName,
                ZKBehavior::Function initCallback, const RWCString& finiCallbackName,
                ZKBehavior::Function finiCallback);
  ~ZKBehaviorRep();

  static void replace(Std_List<ZKField>& own, const Std_List<ZKField>& given);

  ZKBehavior::Function callbackFunc;
  RWCString callbackName;
  RWCString definitionFilename;
  ZKBehavior::Dependencies dependencies;
  RWTValSlist<RWCString> events;
  ZKBehavior::Function finiFunc;
  RWCString finiCallbackName;
  RWCString globalName;
  ZKBehavior::Function initFunc;
  RWCString initCallbackName;
  RWCString library;
  RWCString name;
  int count;
  RWCString animationFilename;
  Std_List<ZKField> actionFields;
  Std_List<ZKField> actionEventIns;
  Std_List<ZKField> actionEventOuts;
  Std_List<ZKField> initFields;
  Std_List<ZKField> initEventIns;
  Std_List<ZKField> initEventOuts;
  Std_List<ZKField> finiFields;
  Std_List<ZKField> finiEventIns;
  Std_List<ZKField> finiEventOuts;
};

#endif
