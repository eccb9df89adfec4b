// Behaviours of a component and the rules between them.
#include <zkcp/component/ZKComponent.h>

#include <zkcp/vrml/zkofstream.h>
#include <zkcp/world/ZKComponentDB.h>

namespace {

ZKComponent::Rule_t reciprocal(ZKComponent::Rule_t rule) {
  switch (rule) {
    case ZKComponent::is_overidden:
      return ZKComponent::overrides;
    case ZKComponent::overrides:
      return ZKComponent::is_overidden;
    case ZKComponent::is_suppressed:
      return ZKComponent::suppresses;
    case ZKComponent::suppresses:
      return ZKComponent::is_suppressed;
    case ZKComponent::toggles:
      return ZKComponent::toggles;
    default:
      return ZKComponent::no_relationship;
  }
}

bool sameName(const RWCString* a, const RWCString& b) {
  return a && a->compareTo(b, RWCString::ignoreCase) == 0;
}

// Removes the pairs naming `name` (ignoring case) with kind `rule`.
void removePairs(RWTValSlist<ZKComponent::RuleBehaviorPair>& list, const RWCString& name,
                 ZKComponent::Rule_t rule) {
  for (size_t i = list.entries(); i-- > 0;)
    if (list[i].rule == rule && sameName(list[i].behavior, name)) list.removeAt(i);
}

}  // namespace

ZKComponent::RuleBehaviorPair::RuleBehaviorPair(const RuleBehaviorPair& other)
    : behavior(other.behavior ? new RWCString(*other.behavior) : nullptr), rule(other.rule) {}

ZKComponent::RuleBehaviorPair& ZKComponent::RuleBehaviorPair::operator=(
    const RuleBehaviorPair& other) {
  if (this != &other) {
    RWCString* copy = other.behavior ? new RWCString(*other.behavior) : nullptr;
    delete behavior;
    behavior = copy;
    rule = other.rule;
  }
  return *this;
}

bool ZKComponent::RuleBehaviorPair::operator==(const RuleBehaviorPair& other) const {
  if (!behavior || !other.behavior) return behavior == other.behavior;
  return sameName(behavior, *other.behavior);
}

const char* ZKComponent::ruleName(Rule_t rule) {
  static const char* const kNames[] = {"no_relationship", "is_overidden", "is_suppressed",
                                       "overrides",       "suppresses",   "toggles",
                                       "triggers"};
  return rule >= no_relationship && rule <= triggers ? kNames[rule] : kNames[0];
}

void ZKComponent::insertOnce(RWTValSortedVector<RWCString>& set, const RWCString& name) {
  if (!set.contains(name)) set.insert(name);
}

// ---------------------------------------------------------------------------
// Definition table

void ZKComponent::addBehavior(const RWCString& name, ZKBehavior behavior) {
  if (!behavior.isValid() || name.isNull() || behaviors.contains(name)) return;
  behaviors.insert(name, behavior);
}

ZKBehavior ZKComponent::getBehavior(const RWCString& name) {
  ZKBehavior* found = behaviors.find(name);
  return found ? *found : ZKBehavior();
}

RWCString ZKComponent::getBehaviorName(ZKBehavior behavior) {
  if (!behavior.isValid()) return RWCString();
  for (const auto& entry : behaviors)
    if (entry.value().sameDefinition(behavior)) return entry.key();
  return RWCString();
}

int ZKComponent::isValidBehavior(const RWCString& name) {
  return behaviors.contains(name) ? 1 : 0;
}

int ZKComponent::getNumBehaviors() const { return static_cast<int>(behaviors.entries()); }

void ZKComponent::removeBehavior(ZKBehavior behavior) {
  const RWCString name = getBehaviorName(behavior);
  if (!name.isNull()) behaviors.remove(name);
}

void ZKComponent::removeBehavior(const RWCString& name) { removeBehavior(getBehavior(name)); }

void ZKComponent::setBehaviorName(ZKBehavior behavior, const RWCString& newName) {
  if (behaviors.contains(newName)) return;
  const RWCString oldName = getBehaviorName(behavior);
  if (oldName.isNull()) return;
  behaviors.remove(oldName);
  behaviors.insert(newName, behavior);
}

void ZKComponent::setBehaviorName(const RWCString& oldName, const RWCString& newName) {
  ZKBehavior behavior = getBehavior(oldName);
  if (behavior.isValid()) setBehaviorName(behavior, newName);
}

void ZKComponent::getBehaviorNames(RWTValSortedVector<RWCString>& out) {
  out.clear();
  for (const auto& entry : behaviors) out.insert(entry.key());
}

void ZKComponent::getActiveBehaviorNames(RWTValSortedVector<RWCString>& out) {
  out = activeBehaviorNames;
}

// ---------------------------------------------------------------------------
// Start-up list

void ZKComponent::setActivatedAtStartup(const RWCString& name, int on) {
  if (on) {
    insertOnce(startupBehaviorNames, name);
  } else {
    startupBehaviorNames.remove(name);
  }
}

int ZKComponent::isActivatedAtStartup(const RWCString& name) const {
  return startupBehaviorNames.contains(name) ? 1 : 0;
}

void ZKComponent::getBehaviorsActivatedAtStartup(RWTValSortedVector<RWCString>& out) {
  out = startupBehaviorNames;
}

// ---------------------------------------------------------------------------
// Activation, deactivation, execution

void ZKComponent::activateBehavior(const RWCString& name, int startup) {
  if (!world || !behaviors.contains(name) || activeBehaviorNames.contains(name)) return;
  if (activatingBehaviorNames.contains(name)) return;
  const bool wasDeactivated = deactivatedBehaviorNames.contains(name);
  activatingBehaviorNames.insert(name);
  bool heldBack = false;
  // The list is copied: the calls below may add rules to this component.
  const RWTValSlist<RuleBehaviorPair>* found = rules.find(name);
  const RWTValSlist<RuleBehaviorPair> pairs = found ? *found : RWTValSlist<RuleBehaviorPair>();
  for (const RuleBehaviorPair& pair : pairs) {
    if (!pair.behavior) continue;
    const RWCString& target = *pair.behavior;
    const bool targetActive = activeBehaviorNames.contains(target);
    if (pair.rule == is_overidden && targetActive) {
      heldBack = true;
      break;
    }
    if (pair.rule == is_suppressed && targetActive) {
      deactivatedBehaviorNames.remove(name);
      insertOnce(suppressedBehaviorNames, name);
      heldBack = true;
      break;
    }
    if ((pair.rule == overrides || pair.rule == toggles) && targetActive) {
      world->deactivateBehavior(this, target);
    } else if (pair.rule == suppresses && targetActive) {
      world->deactivateBehavior(this, target);
      if (deactivatedBehaviorNames.remove(target)) insertOnce(suppressedBehaviorNames, target);
    } else if (pair.rule == triggers && !targetActive) {
      world->activateBehavior(this, target, 0);
    }
  }
  activatingBehaviorNames.remove(name);
  if (heldBack) return;
  if (wasDeactivated) deactivatedBehaviorNames.remove(name);
  suppressedBehaviorNames.remove(name);
  insertOnce(activeBehaviorNames, name);
  if (startup) startupBehaviorNames.insert(name);
  ZKBehavior behavior = getBehavior(name);
  if (behavior.isValid()) behavior.initialize(this);
}

void ZKComponent::deactivateBehavior(const RWCString& name, int startup) {
  if (!world) return;
  if (startup) startupBehaviorNames.remove(name);
  if (deactivatedBehaviorNames.contains(name) || !activeBehaviorNames.contains(name)) return;
  activeBehaviorNames.remove(name);
  deactivatedBehaviorNames.insert(name);
  ZKBehavior behavior = getBehavior(name);
  if (behavior.isValid()) behavior.finish(this);
  const RWTValSlist<RuleBehaviorPair>* found = rules.find(name);
  const RWTValSlist<RuleBehaviorPair> pairs = found ? *found : RWTValSlist<RuleBehaviorPair>();
  for (const RuleBehaviorPair& pair : pairs) {
    if (!pair.behavior) continue;
    const RWCString& target = *pair.behavior;
    if (pair.rule == suppresses) {
      if (suppressedBehaviorNames.remove(target)) world->activateBehavior(this, target, 0);
    } else if (pair.rule == toggles) {
      if (deactivatedBehaviorNames.contains(target)) world->activateBehavior(this, target, 0);
    } else if (pair.rule == triggers) {
      world->deactivateBehavior(this, target);
    }
  }
}

// `name` is not read after the action runs: it may name an entry of a set
// that the action changes.
void ZKComponent::executeBehavior(const RWCString& name) {
  const ZKBehavior* behavior = behaviors.find(name);
  ZKBehavior::Function action =
      behavior && behavior->isValid() ? behavior->getCallbackFunc() : nullptr;
  if (action) action(this);
  objectDirty = 1;
  partsDirty = 1;
}

void ZKComponent::update() {
  // By index over the live set: changes made by the behaviours take effect
  // within this pass.
  for (size_t i = 0; i < activeBehaviorNames.entries(); ++i) executeBehavior(activeBehaviorNames(i));
}

// ---------------------------------------------------------------------------
// Rules

void ZKComponent::addRule(const RWCString& source, const RWCString& target, Rule_t rule) {
  RWTValSlist<RuleBehaviorPair>* list = rules.find(source);
  if (list) {
    for (const RuleBehaviorPair& pair : *list)
      if (pair.rule == rule && sameName(pair.behavior, target)) return;
  } else {
    rules.insert(source, RWTValSlist<RuleBehaviorPair>());
  }
  if (!rules.contains(target)) rules.insert(target, RWTValSlist<RuleBehaviorPair>());
  rules.find(source)->append(RuleBehaviorPair(target, rule));
  const Rule_t back = reciprocal(rule);
  if (back != no_relationship) rules.find(target)->append(RuleBehaviorPair(source, back));
}

void ZKComponent::removeRule(const RWCString& source, const RWCString& target, Rule_t rule) {
  if (RWTValSlist<RuleBehaviorPair>* list = rules.find(source)) removePairs(*list, target, rule);
  if (rule == overrides || rule == is_overidden || rule == toggles) {
    if (RWTValSlist<RuleBehaviorPair>* list = rules.find(target))
      removePairs(*list, source, reciprocal(rule));
  }
}

const RWTValSlist<ZKComponent::RuleBehaviorPair>* ZKComponent::getRules(
    const RWCString& source) const {
  return rules.find(source);
}

void ZKComponent::writeRules(zkofstream& os) const {
  for (const auto& entry : rules) {
    for (const RuleBehaviorPair& pair : entry.value()) {
      os << "ZKRule {" << endl;
      os << "  source    \"" << entry.key() << "\"" << endl;
      os << "  target    \"" << (pair.behavior ? *pair.behavior : RWCString()) << "\"" << endl;
      os << "  type      \"" << ruleName(pair.rule) << "\"" << endl;
      os << "}" << endl;
    }
  }
}
