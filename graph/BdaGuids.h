// BDA device categories, node types and the maker's property set that no platform
// import library provides.
#pragma once

#include "graph/Com.h"

extern const GUID KSCATEGORY_BDA_NETWORK_TUNER;
extern const GUID KSCATEGORY_BDA_RECEIVER_COMPONENT;
extern const GUID KSNODE_BDA_RF_TUNER;
extern const GUID KSPROPSETID_VendorIoctl;
extern const GUID IOCTL_COMMAND_GUID;
