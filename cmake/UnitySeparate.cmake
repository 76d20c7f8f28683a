# Sources compiled on their own, outside the unity batches: each defines a name at namespace scope
# (anonymous namespace or static) that another file of its folder defines too. Paths are relative
# to the source tree. A folder's own CMakeLists.txt may instead call trovel_unity_exclude(<file>).
set(TROVEL_UNITY_SEPARATE
  foundation/core/streams/GContainerText.cpp
  foundation/core/streams/GHexEncode.cpp
  foundation/core/streams/GText2BinStream.cpp
  foundation/core/text/GStringPool.cpp
  foundation/core/text/encodings/GUTF8Encoding.cpp
  foundation/services/filesystem/PMacFolderRemoval.cpp
  foundation/services/preferences/GPreferences.cpp
  foundation/services/units/GUnitSupport.cpp
  plugin/preferences/GCPTSmartPathName.cpp
  platform/mac/filesystem/PMacTreeOperations.cpp
  platform/mac/ipc/PUNIXSharedMemory.cpp
  printerprocessor/queues/GPPIPCMessageQueueMgr.cpp
  tests/foundation/core/bytes/GBufferThreadTest.cpp
  tests/foundation/core/containers/GTableTest.cpp
  tests/foundation/core/streams/GHexEncodeTest.cpp
  tests/foundation/core/support/GRegExpSupportTest.cpp
  tests/foundation/core/support/GStringSupportTest.cpp
  tests/foundation/services/files/GFileBaseTest.cpp
  tests/foundation/services/files/GFileInStreamTest.cpp
  tests/foundation/services/files/GFileOutStreamTest.cpp
  tests/platform/mac/ipc/PUNIXSharedMemoryTest.cpp
  tests/platform/mac/system/PSystemUserTest.cpp
  tests/tools/printer-processor/PrinterProcessorTest.cpp
  tests/ui/widgets/GQUIUnitSpinBoxTest.cpp
  tests/tools/printer-processor/PrinterProcessorPeerFaultTest.cpp
)
