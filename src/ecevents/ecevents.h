#pragma once
// Everything the events library offers, in one include.

#include "ecutil/ecArray.h"
#include "ecutil/ecRandom.h"
#include "ecutil/ecStrings.h"
#include "ecutil/ecXml.h"
#include "ecutil/ecXmlWriter.h"

#include "ecevents/foundation/ecBase.h"
#include "ecevents/foundation/ecError.h"
#include "ecevents/foundation/ecLabeledState.h"

#include "ecevents/events/ecEvent.h"
#include "ecevents/events/ecEventList.h"
#include "ecevents/events/ecEventLoader.h"
#include "ecevents/events/ecExclusionIndex.h"

#include "ecevents/epochs/ecEventRelatedEpoch.h"

#include "ecevents/logic/ecBinResult.h"
#include "ecevents/logic/ecEventLogic.h"
#include "ecevents/logic/ecBinResultList.h"

#include "ecevents/specs/ecTimeAnchor.h"
#include "ecevents/specs/ecCondEventFlag.h"
#include "ecevents/specs/ecEventSpecBase.h"
#include "ecevents/specs/ecTarget.h"
#include "ecevents/specs/ecConditional.h"
#include "ecevents/specs/ecEventSpecs.h"
#include "ecevents/specs/ecAttribSpec.h"
#include "ecevents/specs/ecAttribSet.h"
#include "ecevents/specs/ecBinSpec.h"
#include "ecevents/specs/ecPar_BinDesc.h"
#include "ecevents/specs/ecMatchRecord.h"
#include "ecevents/specs/ecRtRequest.h"

#include "ecevents/binlist/ecBinDescription.h"
#include "ecevents/binlist/ecBinList.h"

#include "ecevents/segments/ecSegment.h"
#include "ecevents/segments/ecSegments.h"

#include "ecevents/trials/ecMultiEventTrial.h"
#include "ecevents/trials/ecMultiEventTrialList.h"
