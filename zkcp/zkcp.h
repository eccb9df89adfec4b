#ifndef ZKCP_ZKCP_H
#define ZKCP_ZKCP_H

// Everything a program building and exporting a zkcp world uses.

#include <zkcp/foundation/RWCString.h>
#include <zkcp/foundation/RWIndexError.h>
#include <zkcp/foundation/RWTPtrSlist.h>
#include <zkcp/foundation/RWTValOrderedVector.h>
#include <zkcp/foundation/RWTValSlist.h>
#include <zkcp/foundation/RWTValSortedVector.h>
#include <zkcp/foundation/Std_CString.h>
#include <zkcp/foundation/Std_List.h>
#include <zkcp/foundation/ZKGeometryInput.h>
#include <zkcp/foundation/ZKModuleLoader.h>
#include <zkcp/foundation/ZKNameTable.h>
#include <zkcp/foundation/ZKNameTableCursor.h>

#include <zkcp/part/ZKPart.h>

#include <zkcp/import/ZKGeometryImporter.h>
#include <zkcp/import/ZKLenientReader.h>
#include <zkcp/import/ZKLenientText.h>

#include <zkcp/component/ZKComponent.h>
#include <zkcp/component/ZKComponentSensor.h>

#include <zkcp/world/ZKComponentDB.h>
#include <zkcp/world/ZKDatabaseIterators.h>
#include <zkcp/world/ZKLightIterator.h>
#include <zkcp/world/ZKNavigationPath.h>
#include <zkcp/world/ZKProximitySensor.h>
#include <zkcp/world/ZKRoute.h>
#include <zkcp/world/ZKViewpoint.h>
#include <zkcp/world/ZKWorldRecorder.h>

#include <zkcp/attribute/Type.h>
#include <zkcp/attribute/ZKAttribute.h>
#include <zkcp/attribute/ZKAttributeKinds.h>
#include <zkcp/attribute/ZKExpression.h>
#include <zkcp/attribute/ZKLinearAttributes.h>
#include <zkcp/attribute/ZKOperand.h>
#include <zkcp/attribute/ZKScalarAttributes.h>
#include <zkcp/attribute/ZKStringAttributes.h>
#include <zkcp/attribute/ZKThreshold.h>

#include <zkcp/behavior/ZKBehavior.h>
#include <zkcp/behavior/ZKBehaviorLibrary.h>
#include <zkcp/behavior/ZKField.h>

#include <zkcp/vrml/AttributeWriter.h>
#include <zkcp/vrml/BehaviorWriter.h>
#include <zkcp/vrml/ComponentSensorWriter.h>
#include <zkcp/vrml/ComponentWriter.h>
#include <zkcp/vrml/ExportText.h>
#include <zkcp/vrml/FieldWriter.h>
#include <zkcp/vrml/NavigationPathWriter.h>
#include <zkcp/vrml/RouteWriter.h>
#include <zkcp/vrml/VRMLAppearanceWriters.h>
#include <zkcp/vrml/VRMLEnvironmentWriters.h>
#include <zkcp/vrml/VRMLGeometryWriters.h>
#include <zkcp/vrml/VRMLInterpolatorWriters.h>
#include <zkcp/vrml/VRMLNodeField.h>
#include <zkcp/vrml/VRMLValueWriters.h>
#include <zkcp/vrml/ViewpointWriters.h>
#include <zkcp/vrml/ZKBlockFileBuffer.h>
#include <zkcp/vrml/zkofstream.h>
#include <zkcp/x3d/ZKX3DWriter.h>

#include <zkcp/live/ZKLiveWorld.h>

#endif
