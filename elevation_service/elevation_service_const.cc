#include "elevation_service/elevation_service_const.h"

namespace corvane {

const char kDefaultElevationServiceInfo[] =
    "{\"cls_id\":\"{63C34537-A073-440B-A889-8BFDCCE724F3}\","
    "\"iid\":\"{9610CC02-0135-4554-BBA1-BA39A5673F4D}\","
    "\"service_name\":\"CorvaneElevationService\","
    "\"display_name\":\"Corvane Elevation Service\","
    "\"reg_key\":\"SOFTWARE\\\\Quorlix\\\\Corvane\", \"oversea\": false, "
    "\"signatures\": [\"Beijing Tarsel Vision Technology Co., Ltd.\","
    "\"Beijing Quorlix Network Technology Co.,Ltd.\"]}";

}  // namespace corvane
