/* The AEGP suites: streams, effects, layers, compositions, items, rendering, worlds, memory and
 * utilities, acquired by name and version through the PICA basic suite. C-compatible. Functions
 * are listed in the order of each suite's published table. */
#ifndef PLENORIUM_SDK_AE_GENERALPLUG_H
#define PLENORIUM_SDK_AE_GENERALPLUG_H

#include "AE_Effect.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef A_long AEGP_PluginID;
typedef struct _AEGP_GlobalRefcon* AEGP_GlobalRefcon;
typedef struct _AEGP_ProjectH* AEGP_ProjectH;
typedef struct _AEGP_ItemH* AEGP_ItemH;
typedef struct _AEGP_CompH* AEGP_CompH;
typedef struct _AEGP_LayerH* AEGP_LayerH;
typedef struct _AEGP_EffectRefH* AEGP_EffectRefH;
typedef struct _AEGP_StreamRefH* AEGP_StreamRefH;
typedef struct _AEGP_MaskRefH* AEGP_MaskRefH;
typedef struct _AEGP_MemHandle* AEGP_MemHandle;
typedef struct _AEGP_WorldH* AEGP_WorldH;
typedef struct _AEGP_RenderOptionsH* AEGP_RenderOptionsH;
typedef struct _AEGP_FrameReceiptH* AEGP_FrameReceiptH;
typedef struct _AEGP_CollectionH* AEGP_Collection2H;
typedef struct _AEGP_TextDocumentH* AEGP_TextDocumentH;
typedef struct _AEGP_MarkerVal* AEGP_MarkerValP;
typedef struct _AEGP_MaskOutlineValH* AEGP_MaskOutlineValH;
typedef A_Handle AEGP_ArbBlockVal;
typedef struct _AEGP_CancelRefcon* AEGP_CancelRefcon;
typedef struct _AEGP_PlatformWorld** AEGP_PlatformWorldH;
typedef struct _AEGP_SoundData** AEGP_SoundDataH;
typedef struct _AEGP_ItemView* AEGP_ItemViewP;

typedef A_long AEGP_LayerIDVal;
typedef A_long AEGP_MaskIDVal;
typedef A_long AEGP_EffectIndex;
typedef A_long AEGP_InstalledEffectKey;
typedef A_u_long AEGP_MemSize;
typedef A_long AEGP_TransferFlags;

/* Opaque state that the host saves while errors are reported quietly. */
typedef struct {
  A_long reservedAL[12];
} AEGP_ErrReportState;

/* When an item was last changed, for render caching. */
typedef struct {
  A_char a[4];
} AEGP_TimeStamp;

typedef A_long AEGP_MemFlag;
enum { AEGP_MemFlag_NONE = 0, AEGP_MemFlag_CLEAR = 0x01, AEGP_MemFlag_QUIET = 0x02 };

typedef A_long AEGP_WorldType;
enum { AEGP_WorldType_NONE = 0, AEGP_WorldType_8 = 1, AEGP_WorldType_16 = 2, AEGP_WorldType_32 = 3 };

typedef A_short AEGP_ItemType;
enum {
  AEGP_ItemType_NONE = 0,
  AEGP_ItemType_FOLDER = 1,
  AEGP_ItemType_COMP = 2,
  AEGP_ItemType_SOLID_defunct = 3,
  AEGP_ItemType_FOOTAGE = 4
};

typedef A_long AEGP_ObjectType;
enum {
  AEGP_ObjectType_NONE = -1,
  AEGP_ObjectType_AV = 0,
  AEGP_ObjectType_LIGHT = 1,
  AEGP_ObjectType_CAMERA = 2,
  AEGP_ObjectType_TEXT = 3,
  AEGP_ObjectType_VECTOR = 4,
  AEGP_ObjectType_3D_MODEL = 5
};

typedef A_short AEGP_LTimeMode;
enum { AEGP_LTimeMode_LayerTime = 0, AEGP_LTimeMode_CompTime = 1 };

typedef A_long AEGP_LayerStream;
enum {
  AEGP_LayerStream_NONE = -1,
  AEGP_LayerStream_ANCHORPOINT = 0,
  AEGP_LayerStream_POSITION = 1,
  AEGP_LayerStream_SCALE = 2,
  AEGP_LayerStream_ROTATION = 3,
  AEGP_LayerStream_ROTATE_Z = AEGP_LayerStream_ROTATION,
  AEGP_LayerStream_OPACITY = 4
};

typedef A_long AEGP_MaskStream;
typedef A_long AEGP_StreamType;
enum {
  AEGP_StreamType_NO_DATA = 0,
  AEGP_StreamType_ThreeD_SPATIAL = 1,
  AEGP_StreamType_ThreeD = 2,
  AEGP_StreamType_TwoD_SPATIAL = 3,
  AEGP_StreamType_TwoD = 4,
  AEGP_StreamType_OneD = 5,
  AEGP_StreamType_COLOR = 6,
  AEGP_StreamType_ARB = 7,
  AEGP_StreamType_MARKER = 8,
  AEGP_StreamType_LAYER_ID = 9,
  AEGP_StreamType_MASK_ID = 10,
  AEGP_StreamType_MASK = 11,
  AEGP_StreamType_TEXT_DOCUMENT = 12
};

typedef A_long AEGP_StreamFlags;
typedef A_long AEGP_KeyInterpolationMask;
typedef A_long AEGP_StreamGroupingType;

typedef A_u_long AEGP_DynStreamFlags;
enum {
  AEGP_DynStreamFlag_ACTIVE_EYEBALL = 1L << 0,
  AEGP_DynStreamFlag_HIDDEN = 1L << 1,
  AEGP_DynStreamFlag_DISABLED = 1L << 4,
  AEGP_DynStreamFlag_ELIDED = 1L << 5,
  AEGP_DynStreamFlag_SHOWN_WHEN_EMPTY = 1L << 10,
  AEGP_DynStreamFlag_SKIP_REVEAL_WHEN_UNHIDDEN = 1L << 16
};

typedef A_long AEGP_LayerFlags;
enum {
  AEGP_LayerFlag_NONE = 0,
  AEGP_LayerFlag_VIDEO_ACTIVE = 1L << 0,
  AEGP_LayerFlag_AUDIO_ACTIVE = 1L << 1,
  AEGP_LayerFlag_EFFECTS_ACTIVE = 1L << 2,
  AEGP_LayerFlag_MOTION_BLUR = 1L << 3,
  AEGP_LayerFlag_FRAME_BLENDING = 1L << 4,
  AEGP_LayerFlag_LOCKED = 1L << 5,
  AEGP_LayerFlag_SHY = 1L << 6,
  AEGP_LayerFlag_COLLAPSE = 1L << 7,
  AEGP_LayerFlag_AUTO_ORIENT_ROTATION = 1L << 8,
  AEGP_LayerFlag_ADJUSTMENT_LAYER = 1L << 9,
  AEGP_LayerFlag_TIME_REMAPPING = 1L << 10,
  AEGP_LayerFlag_LAYER_IS_3D = 1L << 11,
  AEGP_LayerFlag_LOOK_AT_CAMERA = 1L << 12,
  AEGP_LayerFlag_LOOK_AT_POI = 1L << 13,
  AEGP_LayerFlag_SOLO = 1L << 14,
  AEGP_LayerFlag_MARKERS_LOCKED = 1L << 15,
  AEGP_LayerFlag_NULL_LAYER = 1L << 16,
  AEGP_LayerFlag_HIDE_LOCKED_MASKS = 1L << 17,
  AEGP_LayerFlag_GUIDE_LAYER = 1L << 18
};

typedef A_short AEGP_LayerQuality;
typedef A_short AEGP_LayerSamplingQuality;
typedef A_char AEGP_LabelID;
typedef A_long AEGP_TrackMatte;
typedef A_long AEGP_CompFlags;
typedef A_long AEGP_ItemFlags;
typedef A_long AEGP_EffectFlags;
typedef A_long AEGP_MatteMode;
typedef A_char AEGP_ChannelOrder;
typedef A_char AEGP_ItemQuality;

typedef struct {
  PF_TransferMode mode;
  A_long flags;
  AEGP_TrackMatte track_matte;
} AEGP_LayerTransferMode;

typedef struct {
  A_short xS, yS;
} AEGP_DownsampleFactor;

typedef struct {
  A_FpLong alphaF, redF, greenF, blueF;
} AEGP_ColorVal;

typedef A_FpLong AEGP_OneDVal;
typedef struct {
  A_FpLong x, y;
} AEGP_TwoDVal;
typedef struct {
  A_FpLong x, y, z;
} AEGP_ThreeDVal;
typedef A_FpLong AEGP_FourDVal[4];

/* A marker as the version-2 stream suites store it. */
typedef struct {
  A_char nameAC[64];
  A_char urlAC[1024];
  A_char targetAC[128];
  A_char chapterAC[128];
} AEGP_MarkerVal;
typedef AEGP_MarkerVal** AEGP_MarkerValH;

/* A stream's value as "AEGP Stream Suite" 7 hands it out. */
typedef union {
  AEGP_FourDVal four_d;
  AEGP_ThreeDVal three_d;
  AEGP_TwoDVal two_d;
  AEGP_OneDVal one_d;
  AEGP_ColorVal color;
  AEGP_ArbBlockVal arbH;
  AEGP_MarkerValH markerH;
  AEGP_LayerIDVal layer_id;
  AEGP_MaskIDVal mask_id;
  AEGP_MaskOutlineValH mask;
  AEGP_TextDocumentH text_documentH;
} AEGP_StreamVal;

typedef struct {
  AEGP_StreamRefH streamH;
  AEGP_StreamVal val;
} AEGP_StreamValue;

/* A stream's value as "AEGP Stream Suite" 9 hands it out. */
typedef union {
  AEGP_FourDVal four_d;
  AEGP_ThreeDVal three_d;
  AEGP_TwoDVal two_d;
  AEGP_OneDVal one_d;
  AEGP_ColorVal color;
  AEGP_ArbBlockVal arbH;
  AEGP_MarkerValP markerP;
  AEGP_LayerIDVal layer_id;
  AEGP_MaskIDVal mask_id;
  AEGP_MaskOutlineValH mask;
  AEGP_TextDocumentH text_documentH;
} AEGP_StreamVal2;

typedef struct {
  AEGP_StreamRefH streamH;
  AEGP_StreamVal2 val;
} AEGP_StreamValue2;

/* Asked now and then during a render; setting `*cancelPB` stops it. */
typedef A_Err (*AEGP_RenderSuiteCheckForCancel)(void* refcon, A_Boolean* cancelPB);
typedef A_Err (*AEGP_RenderSuiteCheckForCancelv1)(void* refcon, A_Boolean* cancelPB);

typedef A_long AEGP_SoundEncoding;

typedef struct {
  A_FpLong sample_rateF;
  AEGP_SoundEncoding encoding;
  A_long bytes_per_sampleL;
  A_long num_channelsL; /* 1 mono, 2 stereo */
} AEGP_SoundDataFormat;

/* --- "AEGP PF Interface Suite" 1 --- */
#define kAEGPPFInterfaceSuite "AEGP PF Interface Suite"
#define kAEGPPFInterfaceSuiteVersion1 1

typedef struct AEGP_PFInterfaceSuite1 {
  A_Err (*AEGP_GetEffectLayer)(PF_ProgPtr effect_ref, AEGP_LayerH* layerPH);
  A_Err (*AEGP_GetNewEffectForEffect)(AEGP_PluginID aegp_plugin_id, PF_ProgPtr effect_ref, AEGP_EffectRefH* effectPH);
  A_Err (*AEGP_ConvertEffectToCompTime)(PF_ProgPtr effect_ref, A_long what_timeL, A_u_long time_scaleLu,
                                        A_Time* comp_timePT);
  A_Err (*AEGP_GetEffectCamera)(PF_ProgPtr effect_ref, const A_Time* comp_timePT, AEGP_LayerH* camera_layerPH);
  A_Err (*AEGP_GetEffectCameraMatrix)(PF_ProgPtr effect_ref, const A_Time* comp_timePT, A_Matrix4* camera_matrixP,
                                      A_FpLong* dst_to_planePF, A_short* plane_widthPL, A_short* plane_heightPL);
} AEGP_PFInterfaceSuite1;

/* --- "AEGP Effect Suite" 3 --- */
#define kAEGPEffectSuite "AEGP Effect Suite"
#define kAEGPEffectSuiteVersion3 3

typedef struct AEGP_EffectSuite3 {
  A_Err (*AEGP_GetLayerNumEffects)(AEGP_LayerH layerH, A_long* num_effectsPL);
  A_Err (*AEGP_GetLayerEffectByIndex)(AEGP_PluginID aegp_plugin_id, AEGP_LayerH layerH,
                                      AEGP_EffectIndex layer_effect_indexL, AEGP_EffectRefH* effectPH);
  A_Err (*AEGP_GetInstalledKeyFromLayerEffect)(AEGP_EffectRefH effectH, AEGP_InstalledEffectKey* keyP);
  A_Err (*AEGP_GetEffectParamUnionByIndex)(AEGP_PluginID aegp_plugin_id, AEGP_EffectRefH effectH,
                                           PF_ParamIndex param_index, PF_ParamType* param_typeP, PF_ParamDefUnion* uP0);
  A_Err (*AEGP_GetEffectFlags)(AEGP_EffectRefH effectH, AEGP_EffectFlags* effect_flagsP);
  A_Err (*AEGP_SetEffectFlags)(AEGP_EffectRefH effectH, AEGP_EffectFlags mask, AEGP_EffectFlags effect_flags);
  A_Err (*AEGP_ReorderEffect)(AEGP_EffectRefH effectH, A_long effect_indexL);
  A_Err (*AEGP_EffectCallGeneric)(AEGP_PluginID aegp_plugin_id, AEGP_EffectRefH effectH, const A_Time* timePT,
                                  PF_Cmd effect_cmd, void* effect_extraPV);
  A_Err (*AEGP_DisposeEffect)(AEGP_EffectRefH effectH);
  A_Err (*AEGP_ApplyEffect)(AEGP_PluginID aegp_plugin_id, AEGP_LayerH layerH, AEGP_InstalledEffectKey installed_key,
                            AEGP_EffectRefH* effectPH);
  A_Err (*AEGP_DeleteLayerEffect)(AEGP_EffectRefH effectH);
  A_Err (*AEGP_GetNumInstalledEffects)(A_long* num_installed_effectsPL);
  A_Err (*AEGP_GetNextInstalledEffect)(AEGP_InstalledEffectKey key, AEGP_InstalledEffectKey* next_keyPH);
  A_Err (*AEGP_GetEffectName)(AEGP_InstalledEffectKey installed_key, A_char* nameZ);
  A_Err (*AEGP_GetEffectMatchName)(AEGP_InstalledEffectKey installed_key, A_char* match_nameZ);
  A_Err (*AEGP_GetEffectCategory)(AEGP_InstalledEffectKey installed_key, A_char* categoryZ);
  A_Err (*AEGP_DuplicateEffect)(AEGP_EffectRefH original_effectH, AEGP_EffectRefH* duplicate_effectPH);
} AEGP_EffectSuite3;

/* --- "AEGP Stream Suite" 7 and 9 --- */
#define kAEGPStreamSuite "AEGP Stream Suite"
#define kAEGPStreamSuiteVersion2 7
#define kAEGPStreamSuiteVersion4 9

/* The table of version 7. */
typedef struct AEGP_StreamSuite2 {
  A_Err (*AEGP_IsStreamLegal)(AEGP_LayerH layerH, AEGP_LayerStream which_stream, A_Boolean* is_legalP);
  A_Err (*AEGP_CanVaryOverTime)(AEGP_StreamRefH streamH, A_Boolean* can_varyPB);
  A_Err (*AEGP_GetValidInterpolations)(AEGP_StreamRefH streamH, AEGP_KeyInterpolationMask* valid_interpP);
  A_Err (*AEGP_GetNewLayerStream)(AEGP_PluginID aegp_plugin_id, AEGP_LayerH layerH, AEGP_LayerStream which_stream,
                                  AEGP_StreamRefH* streamPH);
  A_Err (*AEGP_GetEffectNumParamStreams)(AEGP_EffectRefH effect_refH, A_long* num_paramsPL);
  A_Err (*AEGP_GetNewEffectStreamByIndex)(AEGP_PluginID aegp_plugin_id, AEGP_EffectRefH effect_refH,
                                          PF_ParamIndex param_index, AEGP_StreamRefH* streamPH);
  A_Err (*AEGP_GetNewMaskStream)(AEGP_PluginID aegp_plugin_id, AEGP_MaskRefH mask_refH, AEGP_MaskStream which_stream,
                                 AEGP_StreamRefH* mask_streamPH);
  A_Err (*AEGP_DisposeStream)(AEGP_StreamRefH streamH);
  A_Err (*AEGP_GetStreamName)(AEGP_StreamRefH streamH, A_Boolean force_englishB, A_char* nameZ);
  A_Err (*AEGP_GetStreamUnitsText)(AEGP_StreamRefH streamH, A_Boolean force_englishB, A_char* unitsZ);
  A_Err (*AEGP_GetStreamProperties)(AEGP_StreamRefH streamH, AEGP_StreamFlags* flagsP, A_FpLong* minP0,
                                    A_FpLong* maxP0);
  A_Err (*AEGP_IsStreamTimevarying)(AEGP_StreamRefH streamH, A_Boolean* is_timevaryPB);
  A_Err (*AEGP_GetStreamType)(AEGP_StreamRefH streamH, AEGP_StreamType* stream_typeP);
  A_Err (*AEGP_GetNewStreamValue)(AEGP_PluginID aegp_plugin_id, AEGP_StreamRefH streamH, AEGP_LTimeMode time_mode,
                                  const A_Time* timePT, A_Boolean pre_expressionB, AEGP_StreamValue* valueP);
  A_Err (*AEGP_DisposeStreamValue)(AEGP_StreamValue* valueP);
  A_Err (*AEGP_SetStreamValue)(AEGP_PluginID aegp_plugin_id, AEGP_StreamRefH streamH, AEGP_StreamValue* valueP);
  A_Err (*AEGP_GetLayerStreamValue)(AEGP_LayerH layerH, AEGP_LayerStream which_stream, AEGP_LTimeMode time_mode,
                                    const A_Time* timePT, A_Boolean pre_expressionB, AEGP_StreamVal* stream_valP,
                                    AEGP_StreamType* stream_typeP0);
  A_Err (*AEGP_GetExpressionState)(AEGP_PluginID aegp_plugin_id, AEGP_StreamRefH streamH, A_Boolean* enabledPB);
  A_Err (*AEGP_SetExpressionState)(AEGP_PluginID aegp_plugin_id, AEGP_StreamRefH streamH, A_Boolean enabledB);
  A_Err (*AEGP_GetExpression)(AEGP_PluginID aegp_plugin_id, AEGP_StreamRefH streamH, AEGP_MemHandle* expressionPH);
  A_Err (*AEGP_SetExpression)(AEGP_PluginID aegp_plugin_id, AEGP_StreamRefH streamH, const A_char* expressionP);
  A_Err (*AEGP_DuplicateStreamRef)(AEGP_PluginID aegp_plugin_id, AEGP_StreamRefH streamH,
                                   AEGP_StreamRefH* dup_streamPH);
} AEGP_StreamSuite2;

/* The table of version 9. */
typedef struct AEGP_StreamSuite4 {
  A_Err (*AEGP_IsStreamLegal)(AEGP_LayerH layerH, AEGP_LayerStream which_stream, A_Boolean* is_legalP);
  A_Err (*AEGP_CanVaryOverTime)(AEGP_StreamRefH streamH, A_Boolean* can_varyPB);
  A_Err (*AEGP_GetValidInterpolations)(AEGP_StreamRefH streamH, AEGP_KeyInterpolationMask* valid_interpP);
  A_Err (*AEGP_GetNewLayerStream)(AEGP_PluginID aegp_plugin_id, AEGP_LayerH layerH, AEGP_LayerStream which_stream,
                                  AEGP_StreamRefH* streamPH);
  A_Err (*AEGP_GetEffectNumParamStreams)(AEGP_EffectRefH effect_refH, A_long* num_paramsPL);
  A_Err (*AEGP_GetNewEffectStreamByIndex)(AEGP_PluginID aegp_plugin_id, AEGP_EffectRefH effect_refH,
                                          PF_ParamIndex param_index, AEGP_StreamRefH* streamPH);
  A_Err (*AEGP_GetNewMaskStream)(AEGP_PluginID aegp_plugin_id, AEGP_MaskRefH mask_refH, AEGP_MaskStream which_stream,
                                 AEGP_StreamRefH* mask_streamPH);
  A_Err (*AEGP_DisposeStream)(AEGP_StreamRefH streamH);
  A_Err (*AEGP_GetStreamName)(AEGP_PluginID aegp_plugin_id, AEGP_StreamRefH streamH, A_Boolean force_englishB,
                              AEGP_MemHandle* utf_stream_namePH);
  A_Err (*AEGP_GetStreamUnitsText)(AEGP_StreamRefH streamH, A_Boolean force_englishB, A_char* unitsZ);
  A_Err (*AEGP_GetStreamProperties)(AEGP_StreamRefH streamH, AEGP_StreamFlags* flagsP, A_FpLong* minP0,
                                    A_FpLong* maxP0);
  A_Err (*AEGP_IsStreamTimevarying)(AEGP_StreamRefH streamH, A_Boolean* is_timevaryPB);
  A_Err (*AEGP_GetStreamType)(AEGP_StreamRefH streamH, AEGP_StreamType* stream_typeP);
  A_Err (*AEGP_GetNewStreamValue)(AEGP_PluginID aegp_plugin_id, AEGP_StreamRefH streamH, AEGP_LTimeMode time_mode,
                                  const A_Time* timePT, A_Boolean pre_expressionB, AEGP_StreamValue2* valueP);
  A_Err (*AEGP_DisposeStreamValue)(AEGP_StreamValue2* valueP);
  A_Err (*AEGP_SetStreamValue)(AEGP_PluginID aegp_plugin_id, AEGP_StreamRefH streamH, AEGP_StreamValue2* valueP);
  A_Err (*AEGP_GetLayerStreamValue)(AEGP_LayerH layerH, AEGP_LayerStream which_stream, AEGP_LTimeMode time_mode,
                                    const A_Time* timePT, A_Boolean pre_expressionB, AEGP_StreamVal2* stream_valP,
                                    AEGP_StreamType* stream_typeP0);
  A_Err (*AEGP_GetExpressionState)(AEGP_PluginID aegp_plugin_id, AEGP_StreamRefH streamH, A_Boolean* enabledPB);
  A_Err (*AEGP_SetExpressionState)(AEGP_PluginID aegp_plugin_id, AEGP_StreamRefH streamH, A_Boolean enabledB);
  A_Err (*AEGP_GetExpression)(AEGP_PluginID aegp_plugin_id, AEGP_StreamRefH streamH, AEGP_MemHandle* expressionPH);
  A_Err (*AEGP_SetExpression)(AEGP_PluginID aegp_plugin_id, AEGP_StreamRefH streamH, const A_char* expressionP);
  A_Err (*AEGP_DuplicateStreamRef)(AEGP_PluginID aegp_plugin_id, AEGP_StreamRefH streamH,
                                   AEGP_StreamRefH* dup_streamPH);
} AEGP_StreamSuite4;

/* --- "AEGP Dynamic Stream Suite" 5 --- */
#define kAEGPDynamicStreamSuite "AEGP Dynamic Stream Suite"
#define kAEGPDynamicStreamSuiteVersion4 5

typedef struct AEGP_DynamicStreamSuite4 {
  A_Err (*AEGP_GetNewStreamRefForLayer)(AEGP_PluginID aegp_plugin_id, AEGP_LayerH layerH, AEGP_StreamRefH* streamPH);
  A_Err (*AEGP_GetNewStreamRefForMask)(AEGP_PluginID aegp_plugin_id, AEGP_MaskRefH maskH, AEGP_StreamRefH* streamPH);
  A_Err (*AEGP_GetStreamDepth)(AEGP_StreamRefH streamH, A_long* depthPL);
  A_Err (*AEGP_GetStreamGroupingType)(AEGP_StreamRefH streamH, AEGP_StreamGroupingType* group_typeP);
  A_Err (*AEGP_GetNumStreamsInGroup)(AEGP_StreamRefH streamH, A_long* num_streamsPL);
  A_Err (*AEGP_GetDynamicStreamFlags)(AEGP_StreamRefH streamH, AEGP_DynStreamFlags* stream_flagsP);
  A_Err (*AEGP_SetDynamicStreamFlag)(AEGP_StreamRefH streamH, AEGP_DynStreamFlags one_flag, A_Boolean undoableB,
                                     A_Boolean setB);
  A_Err (*AEGP_GetNewStreamRefByIndex)(AEGP_PluginID aegp_plugin_id, AEGP_StreamRefH parent_groupH, A_long indexL,
                                       AEGP_StreamRefH* streamPH);
  A_Err (*AEGP_GetNewStreamRefByMatchname)(AEGP_PluginID aegp_plugin_id, AEGP_StreamRefH parent_groupH,
                                           const A_char* utf8_match_nameZ, AEGP_StreamRefH* streamPH);
  A_Err (*AEGP_DeleteStream)(AEGP_StreamRefH streamH);
  A_Err (*AEGP_ReorderStream)(AEGP_StreamRefH streamH, A_long new_indexL);
  A_Err (*AEGP_DuplicateStream)(AEGP_PluginID aegp_plugin_id, AEGP_StreamRefH streamH, A_long* new_indexPL0);
  A_Err (*AEGP_SetStreamName)(AEGP_StreamRefH streamH, const A_UTF16Char* nameZ);
  A_Err (*AEGP_CanAddStream)(AEGP_StreamRefH group_streamH, const A_char* utf8_match_nameZ, A_Boolean* can_addPB);
  A_Err (*AEGP_AddStream)(AEGP_PluginID aegp_plugin_id, AEGP_StreamRefH indxd_grp_streamH,
                          const A_char* utf8_match_nameZ, AEGP_StreamRefH* streamPH0);
  A_Err (*AEGP_GetMatchName)(AEGP_StreamRefH streamH, A_char* utf8_match_nameZ);
  A_Err (*AEGP_GetNewParentStreamRef)(AEGP_PluginID aegp_plugin_id, AEGP_StreamRefH streamH,
                                      AEGP_StreamRefH* parent_streamPH);
  A_Err (*AEGP_GetStreamIsModified)(AEGP_StreamRefH streamH, A_Boolean* modifiedPB);
  A_Err (*AEGP_GetStreamIndexInParent)(AEGP_StreamRefH streamH, A_long* indexPL);
  A_Err (*AEGP_IsSeparationLeader)(AEGP_StreamRefH streamH, A_Boolean* leaderPB);
  A_Err (*AEGP_AreDimensionsSeparated)(AEGP_StreamRefH leader_streamH, A_Boolean* separatedPB);
  A_Err (*AEGP_SetDimensionsSeparated)(AEGP_StreamRefH leader_streamH, A_Boolean separatedB);
  A_Err (*AEGP_GetSeparationFollower)(AEGP_StreamRefH leader_streamH, A_short dimensionS,
                                      AEGP_StreamRefH* follower_streamPH);
  A_Err (*AEGP_IsSeparationFollower)(AEGP_StreamRefH streamH, A_Boolean* followerPB);
  A_Err (*AEGP_GetSeparationLeader)(AEGP_StreamRefH follower_streamH, AEGP_StreamRefH* leader_streamPH);
  A_Err (*AEGP_GetSeparationDimension)(AEGP_StreamRefH follower_streamH, A_short* dimensionPS);
} AEGP_DynamicStreamSuite4;

/* --- "AEGP Layer Suite" 11 and 13 --- */
#define kAEGPLayerSuite "AEGP Layer Suite"
#define kAEGPLayerSuiteVersion5 11
#define kAEGPLayerSuiteVersion7 13

/* The table of version 11. */
typedef struct AEGP_LayerSuite5 {
  A_Err (*AEGP_GetCompNumLayers)(AEGP_CompH compH, A_long* num_layersPL);
  A_Err (*AEGP_GetCompLayerByIndex)(AEGP_CompH compH, A_long layer_indexL, AEGP_LayerH* layerPH);
  A_Err (*AEGP_GetActiveLayer)(AEGP_LayerH* layerPH);
  A_Err (*AEGP_GetLayerIndex)(AEGP_LayerH layerH, A_long* layer_indexPL);
  A_Err (*AEGP_GetLayerSourceItem)(AEGP_LayerH layerH, AEGP_ItemH* source_itemPH);
  A_Err (*AEGP_GetLayerSourceItemID)(AEGP_LayerH layerH, A_long* source_item_idPL);
  A_Err (*AEGP_GetLayerParentComp)(AEGP_LayerH layerH, AEGP_CompH* compPH);
  A_Err (*AEGP_GetLayerName)(AEGP_LayerH layerH, A_char* layer_nameZ, A_char* source_nameZ);
  A_Err (*AEGP_GetLayerQuality)(AEGP_LayerH layerH, AEGP_LayerQuality* qualityP);
  A_Err (*AEGP_SetLayerQuality)(AEGP_LayerH layerH, AEGP_LayerQuality quality);
  A_Err (*AEGP_GetLayerFlags)(AEGP_LayerH layerH, AEGP_LayerFlags* layer_flagsP);
  A_Err (*AEGP_SetLayerFlag)(AEGP_LayerH layerH, AEGP_LayerFlags single_flag, A_Boolean valueB);
  A_Err (*AEGP_IsLayerVideoReallyOn)(AEGP_LayerH layerH, A_Boolean* onPB);
  A_Err (*AEGP_IsLayerAudioReallyOn)(AEGP_LayerH layerH, A_Boolean* onPB);
  A_Err (*AEGP_GetLayerCurrentTime)(AEGP_LayerH layerH, AEGP_LTimeMode time_mode, A_Time* curr_timePT);
  A_Err (*AEGP_GetLayerInPoint)(AEGP_LayerH layerH, AEGP_LTimeMode time_mode, A_Time* in_pointPT);
  A_Err (*AEGP_GetLayerDuration)(AEGP_LayerH layerH, AEGP_LTimeMode time_mode, A_Time* durationPT);
  A_Err (*AEGP_SetLayerInPointAndDuration)(AEGP_LayerH layerH, AEGP_LTimeMode time_mode, const A_Time* in_pointPT,
                                           const A_Time* durationPT);
  A_Err (*AEGP_GetLayerOffset)(AEGP_LayerH layerH, A_Time* offsetPT);
  A_Err (*AEGP_SetLayerOffset)(AEGP_LayerH layerH, const A_Time* offsetPT);
  A_Err (*AEGP_GetLayerStretch)(AEGP_LayerH layerH, A_Ratio* stretchPRt);
  A_Err (*AEGP_SetLayerStretch)(AEGP_LayerH layerH, const A_Ratio* stretchPRt);
  A_Err (*AEGP_GetLayerTransferMode)(AEGP_LayerH layerH, AEGP_LayerTransferMode* transfer_modeP);
  A_Err (*AEGP_SetLayerTransferMode)(AEGP_LayerH layerH, const AEGP_LayerTransferMode* transfer_modeP);
  A_Err (*AEGP_IsAddLayerValid)(AEGP_ItemH item_to_addH, AEGP_CompH into_compH, A_Boolean* validPB);
  A_Err (*AEGP_AddLayer)(AEGP_ItemH item_to_addH, AEGP_CompH into_compH, AEGP_LayerH* added_layerPH0);
  A_Err (*AEGP_ReorderLayer)(AEGP_LayerH layerH, A_long layer_indexL);
  A_Err (*AEGP_GetLayerMaskedBounds)(AEGP_LayerH layerH, AEGP_LTimeMode time_mode, const A_Time* timePT,
                                     A_FloatRect* boundsPR);
  A_Err (*AEGP_GetLayerObjectType)(AEGP_LayerH layerH, AEGP_ObjectType* object_type);
  A_Err (*AEGP_IsLayer3D)(AEGP_LayerH layerH, A_Boolean* is_3DPB);
  A_Err (*AEGP_IsLayer2D)(AEGP_LayerH layerH, A_Boolean* is_2DPB);
  A_Err (*AEGP_IsVideoActive)(AEGP_LayerH layerH, AEGP_LTimeMode time_mode, const A_Time* comp_timePT,
                              A_Boolean* is_activePB);
  A_Err (*AEGP_IsLayerUsedAsTrackMatte)(AEGP_LayerH layerH, A_Boolean fill_must_be_activeB,
                                        A_Boolean* is_track_mattePB);
  A_Err (*AEGP_DoesLayerHaveTrackMatte)(AEGP_LayerH layerH, A_Boolean* has_track_mattePB);
  A_Err (*AEGP_ConvertCompToLayerTime)(AEGP_LayerH layerH, const A_Time* comp_timeP, A_Time* layer_timeP);
  A_Err (*AEGP_ConvertLayerToCompTime)(AEGP_LayerH layerH, const A_Time* layer_timeP, A_Time* comp_timeP);
  A_Err (*AEGP_GetLayerDancingRandValue)(AEGP_LayerH layerH, const A_Time* comp_timePT, A_long* rand_valuePL);
  A_Err (*AEGP_GetLayerID)(AEGP_LayerH layerH, AEGP_LayerIDVal* id_valP);
  A_Err (*AEGP_GetLayerToWorldXform)(AEGP_LayerH aegp_layerH, const A_Time* comp_timeP, A_Matrix4* transform);
  A_Err (*AEGP_GetLayerToWorldXformFromView)(AEGP_LayerH aegp_layerH, const A_Time* view_timeP,
                                             const A_Time* comp_timeP, A_Matrix4* transform);
  A_Err (*AEGP_SetLayerName)(AEGP_LayerH aegp_layerH, const A_char*);
  A_Err (*AEGP_GetLayerParent)(const AEGP_LayerH layerH, AEGP_LayerH* parent_layerPH);
  A_Err (*AEGP_SetLayerParent)(AEGP_LayerH layerH, const AEGP_LayerH parent_layerH0);
  A_Err (*AEGP_DeleteLayer)(AEGP_LayerH layerH);
  A_Err (*AEGP_DuplicateLayer)(AEGP_LayerH orig_layerH, AEGP_LayerH* duplicate_layerPH);
  A_Err (*AEGP_GetLayerFromLayerID)(AEGP_CompH parent_compH, AEGP_LayerIDVal id, AEGP_LayerH* layerPH);
} AEGP_LayerSuite5;

/* The table of version 13. */
typedef struct AEGP_LayerSuite7 {
  A_Err (*AEGP_GetCompNumLayers)(AEGP_CompH compH, A_long* num_layersPL);
  A_Err (*AEGP_GetCompLayerByIndex)(AEGP_CompH compH, A_long layer_indexL, AEGP_LayerH* layerPH);
  A_Err (*AEGP_GetActiveLayer)(AEGP_LayerH* layerPH);
  A_Err (*AEGP_GetLayerIndex)(AEGP_LayerH layerH, A_long* layer_indexPL);
  A_Err (*AEGP_GetLayerSourceItem)(AEGP_LayerH layerH, AEGP_ItemH* source_itemPH);
  A_Err (*AEGP_GetLayerSourceItemID)(AEGP_LayerH layerH, A_long* source_item_idPL);
  A_Err (*AEGP_GetLayerParentComp)(AEGP_LayerH layerH, AEGP_CompH* compPH);
  A_Err (*AEGP_GetLayerName)(AEGP_PluginID aegp_plugin_id, AEGP_LayerH layerH, AEGP_MemHandle* utf_layer_namePH0,
                             AEGP_MemHandle* utf_source_namePH0);
  A_Err (*AEGP_GetLayerQuality)(AEGP_LayerH layerH, AEGP_LayerQuality* qualityP);
  A_Err (*AEGP_SetLayerQuality)(AEGP_LayerH layerH, AEGP_LayerQuality quality);
  A_Err (*AEGP_GetLayerFlags)(AEGP_LayerH layerH, AEGP_LayerFlags* layer_flagsP);
  A_Err (*AEGP_SetLayerFlag)(AEGP_LayerH layerH, AEGP_LayerFlags single_flag, A_Boolean valueB);
  A_Err (*AEGP_IsLayerVideoReallyOn)(AEGP_LayerH layerH, A_Boolean* onPB);
  A_Err (*AEGP_IsLayerAudioReallyOn)(AEGP_LayerH layerH, A_Boolean* onPB);
  A_Err (*AEGP_GetLayerCurrentTime)(AEGP_LayerH layerH, AEGP_LTimeMode time_mode, A_Time* curr_timePT);
  A_Err (*AEGP_GetLayerInPoint)(AEGP_LayerH layerH, AEGP_LTimeMode time_mode, A_Time* in_pointPT);
  A_Err (*AEGP_GetLayerDuration)(AEGP_LayerH layerH, AEGP_LTimeMode time_mode, A_Time* durationPT);
  A_Err (*AEGP_SetLayerInPointAndDuration)(AEGP_LayerH layerH, AEGP_LTimeMode time_mode, const A_Time* in_pointPT,
                                           const A_Time* durationPT);
  A_Err (*AEGP_GetLayerOffset)(AEGP_LayerH layerH, A_Time* offsetPT);
  A_Err (*AEGP_SetLayerOffset)(AEGP_LayerH layerH, const A_Time* offsetPT);
  A_Err (*AEGP_GetLayerStretch)(AEGP_LayerH layerH, A_Ratio* stretchPRt);
  A_Err (*AEGP_SetLayerStretch)(AEGP_LayerH layerH, const A_Ratio* stretchPRt);
  A_Err (*AEGP_GetLayerTransferMode)(AEGP_LayerH layerH, AEGP_LayerTransferMode* transfer_modeP);
  A_Err (*AEGP_SetLayerTransferMode)(AEGP_LayerH layerH, const AEGP_LayerTransferMode* transfer_modeP);
  A_Err (*AEGP_IsAddLayerValid)(AEGP_ItemH item_to_addH, AEGP_CompH into_compH, A_Boolean* validPB);
  A_Err (*AEGP_AddLayer)(AEGP_ItemH item_to_addH, AEGP_CompH into_compH, AEGP_LayerH* added_layerPH0);
  A_Err (*AEGP_ReorderLayer)(AEGP_LayerH layerH, A_long layer_indexL);
  A_Err (*AEGP_GetLayerMaskedBounds)(AEGP_LayerH layerH, AEGP_LTimeMode time_mode, const A_Time* timePT,
                                     A_FloatRect* boundsPR);
  A_Err (*AEGP_GetLayerObjectType)(AEGP_LayerH layerH, AEGP_ObjectType* object_type);
  A_Err (*AEGP_IsLayer3D)(AEGP_LayerH layerH, A_Boolean* is_3DPB);
  A_Err (*AEGP_IsLayer2D)(AEGP_LayerH layerH, A_Boolean* is_2DPB);
  A_Err (*AEGP_IsVideoActive)(AEGP_LayerH layerH, AEGP_LTimeMode time_mode, const A_Time* comp_timePT,
                              A_Boolean* is_activePB);
  A_Err (*AEGP_IsLayerUsedAsTrackMatte)(AEGP_LayerH layerH, A_Boolean fill_must_be_activeB,
                                        A_Boolean* is_track_mattePB);
  A_Err (*AEGP_DoesLayerHaveTrackMatte)(AEGP_LayerH layerH, A_Boolean* has_track_mattePB);
  A_Err (*AEGP_ConvertCompToLayerTime)(AEGP_LayerH layerH, const A_Time* comp_timeP, A_Time* layer_timeP);
  A_Err (*AEGP_ConvertLayerToCompTime)(AEGP_LayerH layerH, const A_Time* layer_timeP, A_Time* comp_timeP);
  A_Err (*AEGP_GetLayerDancingRandValue)(AEGP_LayerH layerH, const A_Time* comp_timePT, A_long* rand_valuePL);
  A_Err (*AEGP_GetLayerID)(AEGP_LayerH layerH, AEGP_LayerIDVal* id_valP);
  A_Err (*AEGP_GetLayerToWorldXform)(AEGP_LayerH aegp_layerH, const A_Time* comp_timeP, A_Matrix4* transform);
  A_Err (*AEGP_GetLayerToWorldXformFromView)(AEGP_LayerH aegp_layerH, const A_Time* view_timeP,
                                             const A_Time* comp_timeP, A_Matrix4* transform);
  A_Err (*AEGP_SetLayerName)(AEGP_LayerH aegp_layerH, const A_UTF16Char* new_nameZ);
  A_Err (*AEGP_GetLayerParent)(const AEGP_LayerH layerH, AEGP_LayerH* parent_layerPH);
  A_Err (*AEGP_SetLayerParent)(AEGP_LayerH layerH, const AEGP_LayerH parent_layerH0);
  A_Err (*AEGP_DeleteLayer)(AEGP_LayerH layerH);
  A_Err (*AEGP_DuplicateLayer)(AEGP_LayerH orig_layerH, AEGP_LayerH* duplicate_layerPH);
  A_Err (*AEGP_GetLayerFromLayerID)(AEGP_CompH parent_compH, AEGP_LayerIDVal id, AEGP_LayerH* layerPH);
  A_Err (*AEGP_GetLayerLabel)(AEGP_LayerH layerH, AEGP_LabelID* labelP);
  A_Err (*AEGP_SetLayerLabel)(AEGP_LayerH layerH, AEGP_LabelID label);
} AEGP_LayerSuite7;

/* --- "AEGP Comp Suite" 15 --- */
#define kAEGPCompSuite "AEGP Comp Suite"
#define kAEGPCompSuiteVersion7 15

typedef struct AEGP_CompSuite7 {
  A_Err (*AEGP_GetCompFromItem)(AEGP_ItemH itemH, AEGP_CompH* compPH);
  A_Err (*AEGP_GetItemFromComp)(AEGP_CompH compH, AEGP_ItemH* itemPH);
  A_Err (*AEGP_GetCompDownsampleFactor)(AEGP_CompH compH, AEGP_DownsampleFactor* dsfP);
  A_Err (*AEGP_SetCompDownsampleFactor)(AEGP_CompH compH, const AEGP_DownsampleFactor* dsfP);
  A_Err (*AEGP_GetCompBGColor)(AEGP_CompH compH, AEGP_ColorVal* bg_colorP);
  A_Err (*AEGP_SetCompBGColor)(AEGP_CompH compH, const AEGP_ColorVal* bg_colorP);
  A_Err (*AEGP_GetCompFlags)(AEGP_CompH compH, AEGP_CompFlags* comp_flagsP);
  A_Err (*AEGP_GetCompFramerate)(AEGP_CompH compH, A_FpLong* fpsPF);
  A_Err (*AEGP_SetCompFrameRate)(AEGP_CompH compH, const A_FpLong* fpsPF);
  A_Err (*AEGP_GetCompShutterAnglePhase)(AEGP_CompH compH, A_Ratio* angle, A_Ratio* phase);
  A_Err (*AEGP_GetCompShutterFrameRange)(AEGP_CompH compH, const A_Time* comp_timeP, A_Time* start, A_Time* duration);
  A_Err (*AEGP_GetCompSuggestedMotionBlurSamples)(AEGP_CompH compH, A_long* samplesPL);
  A_Err (*AEGP_SetCompSuggestedMotionBlurSamples)(AEGP_CompH compH, A_long samplesL);
  A_Err (*AEGP_GetCompWorkAreaStart)(AEGP_CompH compH, A_Time* work_area_startPT);
  A_Err (*AEGP_GetCompWorkAreaDuration)(AEGP_CompH compH, A_Time* work_area_durationPT);
  A_Err (*AEGP_SetCompWorkAreaStartAndDuration)(AEGP_CompH compH, const A_Time* startPT, const A_Time* durationPT);
  A_Err (*AEGP_CreateSolidInComp)(const A_UTF16Char* utf_nameZ, A_long width, A_long height, const AEGP_ColorVal* color,
                                  AEGP_CompH parent_compH, const A_Time* durationPT0, AEGP_LayerH* new_solidPH);
  A_Err (*AEGP_CreateCameraInComp)(const A_UTF16Char* utf_nameZ, A_FloatPoint center_point, AEGP_CompH parent_compH,
                                   AEGP_LayerH* new_cameraPH);
  A_Err (*AEGP_CreateLightInComp)(const A_UTF16Char* utf_nameZ, A_FloatPoint center_point, AEGP_CompH parent_compH,
                                  AEGP_LayerH* new_lightPH);
  A_Err (*AEGP_CreateComp)(AEGP_ItemH parent_folderH0, const A_UTF16Char* utf_nameZ, A_long width, A_long height,
                           const A_Ratio* pixel_aspect_ratioPRt, const A_Time* durationPT, const A_Ratio* frameratePRt,
                           AEGP_CompH* new_compPH);
  A_Err (*AEGP_GetNewCollectionFromCompSelection)(AEGP_PluginID plugin_id, AEGP_CompH compH,
                                                  AEGP_Collection2H* collectionPH);
  A_Err (*AEGP_SetSelection)(AEGP_CompH compH, AEGP_Collection2H collectionH);
  A_Err (*AEGP_GetCompDisplayStartTime)(AEGP_CompH compH, A_Time* start_timePT);
  A_Err (*AEGP_SetCompDisplayStartTime)(AEGP_CompH compH, const A_Time* start_timePT);
  A_Err (*AEGP_SetCompDuration)(AEGP_CompH compH, const A_Time* durationPT);
  A_Err (*AEGP_CreateNullInComp)(const A_UTF16Char* utf_nameZ, AEGP_CompH parent_compH, const A_Time* durationPT0,
                                 AEGP_LayerH* new_null_solidPH);
  A_Err (*AEGP_SetCompPixelAspectRatio)(AEGP_CompH compH, const A_Ratio* pix_aspectratioPRt);
  A_Err (*AEGP_CreateTextLayerInComp)(AEGP_CompH parent_compH, AEGP_LayerH* new_text_layerPH);
  A_Err (*AEGP_SetCompDimensions)(AEGP_CompH compH, A_long widthL, A_long heightL);
  A_Err (*AEGP_DuplicateComp)(AEGP_CompH compH, AEGP_CompH* new_compPH);
  A_Err (*AEGP_GetCompFrameDuration)(AEGP_CompH compH, A_Time* timeP);
  A_Err (*AEGP_GetMostRecentlyUsedComp)(AEGP_CompH* compPH);
  A_Err (*AEGP_CreateVectorLayerInComp)(AEGP_CompH parent_compH, AEGP_LayerH* new_vec_layerPH);
  A_Err (*AEGP_GetNewCompMarkerStream)(AEGP_PluginID aegp_plugin_id, AEGP_CompH parent_compH,
                                       AEGP_StreamRefH* streamPH);
} AEGP_CompSuite7;

/* --- "AEGP Item Suite" 13 --- */
#define kAEGPItemSuite "AEGP Item Suite"
#define kAEGPItemSuiteVersion8 13

typedef struct AEGP_ItemSuite8 {
  A_Err (*AEGP_GetFirstProjItem)(AEGP_ProjectH projectH, AEGP_ItemH* itemPH);
  A_Err (*AEGP_GetNextProjItem)(AEGP_ProjectH projectH, AEGP_ItemH itemH, AEGP_ItemH* next_itemPH);
  A_Err (*AEGP_GetActiveItem)(AEGP_ItemH* itemPH);
  A_Err (*AEGP_IsItemSelected)(AEGP_ItemH itemH, A_Boolean* selectedPB);
  A_Err (*AEGP_SelectItem)(AEGP_ItemH itemH, A_Boolean selectB, A_Boolean deselect_othersB);
  A_Err (*AEGP_GetItemType)(AEGP_ItemH itemH, AEGP_ItemType* item_type);
  A_Err (*AEGP_GetTypeName)(AEGP_ItemType item_type, A_char* nameZ);
  A_Err (*AEGP_GetItemName)(AEGP_PluginID pluginID, AEGP_ItemH itemH, AEGP_MemHandle* unicode_namePH);
  A_Err (*AEGP_SetItemName)(AEGP_ItemH itemH, const A_UTF16Char* nameZ);
  A_Err (*AEGP_GetItemID)(AEGP_ItemH itemH, A_long* item_id);
  A_Err (*AEGP_GetItemFlags)(AEGP_ItemH itemH, AEGP_ItemFlags* item_flags);
  A_Err (*AEGP_SetItemUseProxy)(AEGP_ItemH itemH, A_Boolean use_proxyB);
  A_Err (*AEGP_GetItemParentFolder)(AEGP_ItemH itemH, AEGP_ItemH* parent_folder_itemPH);
  A_Err (*AEGP_SetItemParentFolder)(AEGP_ItemH itemH, AEGP_ItemH parent_folder_itemH);
  A_Err (*AEGP_GetItemDuration)(AEGP_ItemH itemH, A_Time* durationPT);
  A_Err (*AEGP_GetItemCurrentTime)(AEGP_ItemH itemH, A_Time* curr_timePT);
  A_Err (*AEGP_GetItemDimensions)(AEGP_ItemH itemH, A_long* widthPL, A_long* heightPL);
  A_Err (*AEGP_GetItemPixelAspectRatio)(AEGP_ItemH itemH, A_Ratio* pix_aspectratioPRt);
  A_Err (*AEGP_DeleteItem)(AEGP_ItemH itemH);
  A_Err (*AEGP_CreateNewFolder)(const A_UTF16Char* nameZ, AEGP_ItemH parent_folderH0, AEGP_ItemH* new_folderPH);
  A_Err (*AEGP_SetItemCurrentTime)(AEGP_ItemH itemH, const A_Time* new_timePT);
  A_Err (*AEGP_GetItemCommentLength)(AEGP_ItemH itemH, A_u_long* buf_sizePLu);
  A_Err (*AEGP_GetItemComment)(AEGP_ItemH itemH, A_u_long buf_sizeLu, A_char* commentZ);
  A_Err (*AEGP_SetItemComment)(AEGP_ItemH itemH, const A_char*);
  A_Err (*AEGP_GetItemLabel)(AEGP_ItemH itemH, AEGP_LabelID* labelP);
  A_Err (*AEGP_SetItemLabel)(AEGP_ItemH itemH, AEGP_LabelID label);
  A_Err (*AEGP_GetItemMRUView)(AEGP_ItemH itemH, AEGP_ItemViewP* mru_viewP);
} AEGP_ItemSuite8;

/* --- "AEGP Render Options Suite" 3 --- */
#define kAEGPRenderOptionsSuite "AEGP Render Options Suite"
#define kAEGPRenderOptionsSuiteVersion3 3

typedef struct AEGP_RenderOptionsSuite3 {
  A_Err (*AEGP_NewFromItem)(AEGP_PluginID plugin_id, AEGP_ItemH itemH, AEGP_RenderOptionsH* optionsPH);
  A_Err (*AEGP_Duplicate)(AEGP_PluginID plugin_id, AEGP_RenderOptionsH optionsH, AEGP_RenderOptionsH* copyPH);
  A_Err (*AEGP_Dispose)(AEGP_RenderOptionsH optionsH);
  A_Err (*AEGP_SetTime)(AEGP_RenderOptionsH optionsH, A_Time time);
  A_Err (*AEGP_GetTime)(AEGP_RenderOptionsH optionsH, A_Time* timeP);
  A_Err (*AEGP_SetTimeStep)(AEGP_RenderOptionsH optionsH, A_Time time_step);
  A_Err (*AEGP_GetTimeStep)(AEGP_RenderOptionsH optionsH, A_Time* timePT);
  A_Err (*AEGP_SetFieldRender)(AEGP_RenderOptionsH optionsH, PF_Field field_render);
  A_Err (*AEGP_GetFieldRender)(AEGP_RenderOptionsH optionsH, PF_Field* field_renderP);
  A_Err (*AEGP_SetWorldType)(AEGP_RenderOptionsH optionsH, AEGP_WorldType type);
  A_Err (*AEGP_GetWorldType)(AEGP_RenderOptionsH optionsH, AEGP_WorldType* typeP);
  A_Err (*AEGP_SetDownsampleFactor)(AEGP_RenderOptionsH optionsH, A_short x, A_short y);
  A_Err (*AEGP_GetDownsampleFactor)(AEGP_RenderOptionsH optionsH, A_short* xP, A_short* yP);
  A_Err (*AEGP_SetRegionOfInterest)(AEGP_RenderOptionsH optionsH, const A_LRect* roiP);
  A_Err (*AEGP_GetRegionOfInterest)(AEGP_RenderOptionsH optionsH, A_LRect* roiP);
  A_Err (*AEGP_SetMatteMode)(AEGP_RenderOptionsH optionsH, AEGP_MatteMode mode);
  A_Err (*AEGP_GetMatteMode)(AEGP_RenderOptionsH optionsH, AEGP_MatteMode* modeP);
  A_Err (*AEGP_SetChannelOrder)(AEGP_RenderOptionsH optionsH, AEGP_ChannelOrder channel_order);
  A_Err (*AEGP_GetChannelOrder)(AEGP_RenderOptionsH optionsH, AEGP_ChannelOrder* channelP);
  A_Err (*AEGP_GetRenderGuideLayers)(AEGP_RenderOptionsH optionsH, A_Boolean* will_renderPB);
  A_Err (*AEGP_SetRenderGuideLayers)(AEGP_RenderOptionsH optionsH, A_Boolean render_themB);
} AEGP_RenderOptionsSuite3;

/* --- "AEGP Render Suite" 2 --- */
#define kAEGPRenderSuite "AEGP Render Suite"
#define kAEGPRenderSuiteVersion2 2

typedef struct AEGP_RenderSuite2 {
  A_Err (*AEGP_RenderAndCheckoutFrame)(AEGP_RenderOptionsH optionsH, AEGP_RenderSuiteCheckForCancelv1 cancel_functionP0,
                                       AEGP_CancelRefcon cancel_function_refconP0, AEGP_FrameReceiptH* receiptPH);
  A_Err (*AEGP_CheckinFrame)(AEGP_FrameReceiptH receiptH);
  A_Err (*AEGP_GetReceiptWorld)(AEGP_FrameReceiptH receiptH, AEGP_WorldH* worldPH);
  A_Err (*AEGP_GetRenderedRegion)(AEGP_FrameReceiptH receiptH, A_LRect* regionP);
  A_Err (*AEGP_IsRenderedFrameSufficient)(AEGP_RenderOptionsH rendered_optionsH, AEGP_RenderOptionsH proposed_optionsH,
                                          A_Boolean* is_sufficientPB);
  A_Err (*AEGP_RenderNewItemSoundData)(AEGP_ItemH itemH, const A_Time* start_timePT, const A_Time* durationPT,
                                       const AEGP_SoundDataFormat* formatP,
                                       AEGP_RenderSuiteCheckForCancel cancel_functionP0,
                                       AEGP_CancelRefcon cancel_function_refconP0, AEGP_SoundDataH* new_sound_dataPH);
  A_Err (*AEGP_GetCurrentTimestamp)(AEGP_TimeStamp* time_stampP);
  A_Err (*AEGP_HasItemChangedSinceTimestamp)(AEGP_ItemH itemH, const A_Time* start_timeP, const A_Time* durationP,
                                             const AEGP_TimeStamp* time_stampP, A_Boolean* changedPB);
  A_Err (*AEGP_IsItemWorthwhileToRender)(AEGP_RenderOptionsH roH, const AEGP_TimeStamp* time_stampP,
                                         A_Boolean* worthwhilePB);
  A_Err (*AEGP_CheckinRenderedFrame)(AEGP_RenderOptionsH roH, const AEGP_TimeStamp* time_stampP,
                                     A_u_long ticks_to_renderL, AEGP_PlatformWorldH image);
} AEGP_RenderSuite2;

/* --- "AEGP World Suite" 2 and 3 --- */
#define kAEGPWorldSuite "AEGP World Suite"
#define kAEGPWorldSuiteVersion2 2
#define kAEGPWorldSuiteVersion3 3

/* The table of version 2. */
typedef struct AEGP_WorldSuite2 {
  A_Err (*AEGP_New)(AEGP_PluginID plugin_id, AEGP_WorldType type, A_long widthL, A_long heightL, AEGP_WorldH* worldPH);
  A_Err (*AEGP_Dispose)(AEGP_WorldH worldH);
  A_Err (*AEGP_GetType)(AEGP_WorldH worldH, AEGP_WorldType* typeP);
  A_Err (*AEGP_GetSize)(AEGP_WorldH worldH, A_long* widthPL, A_long* heightPL);
  A_Err (*AEGP_GetRowBytes)(AEGP_WorldH worldH, A_u_long* row_bytesPL);
  A_Err (*AEGP_GetBaseAddr8)(AEGP_WorldH worldH, PF_Pixel8** base_addrP);
  A_Err (*AEGP_GetBaseAddr16)(AEGP_WorldH worldH, PF_Pixel16** base_addrP);
  A_Err (*AEGP_FillOutPFEffectWorld)(AEGP_WorldH worldH, PF_EffectWorld* pf_worldP);
  A_Err (*AEGP_FastBlur)(A_FpLong radiusF, PF_ModeFlags mode, PF_Quality quality, AEGP_WorldH worldH);
  A_Err (*AEGP_NewPlatformWorld)(AEGP_PluginID plugin_id, AEGP_WorldType type, A_long widthL, A_long heightL,
                                 AEGP_PlatformWorldH* worldPH);
  A_Err (*AEGP_DisposePlatformWorld)(AEGP_PlatformWorldH worldH);
  A_Err (*AEGP_NewReferenceFromPlatformWorld)(AEGP_PluginID plugin_id, AEGP_PlatformWorldH platform_worldH,
                                              AEGP_WorldH* worldPH);
} AEGP_WorldSuite2;

/* The table of version 3. */
typedef struct AEGP_WorldSuite3 {
  A_Err (*AEGP_New)(AEGP_PluginID plugin_id, AEGP_WorldType type, A_long widthL, A_long heightL, AEGP_WorldH* worldPH);
  A_Err (*AEGP_Dispose)(AEGP_WorldH worldH);
  A_Err (*AEGP_GetType)(AEGP_WorldH worldH, AEGP_WorldType* typeP);
  A_Err (*AEGP_GetSize)(AEGP_WorldH worldH, A_long* widthPL, A_long* heightPL);
  A_Err (*AEGP_GetRowBytes)(AEGP_WorldH worldH, A_u_long* row_bytesPL);
  A_Err (*AEGP_GetBaseAddr8)(AEGP_WorldH worldH, PF_Pixel8** base_addrP);
  A_Err (*AEGP_GetBaseAddr16)(AEGP_WorldH worldH, PF_Pixel16** base_addrP);
  A_Err (*AEGP_GetBaseAddr32)(AEGP_WorldH worldH, PF_PixelFloat** base_addrP);
  A_Err (*AEGP_FillOutPFEffectWorld)(AEGP_WorldH worldH, PF_EffectWorld* pf_worldP);
  A_Err (*AEGP_FastBlur)(A_FpLong radiusF, PF_ModeFlags mode, PF_Quality quality, AEGP_WorldH worldH);
  A_Err (*AEGP_NewPlatformWorld)(AEGP_PluginID plugin_id, AEGP_WorldType type, A_long widthL, A_long heightL,
                                 AEGP_PlatformWorldH* worldPH);
  A_Err (*AEGP_DisposePlatformWorld)(AEGP_PlatformWorldH worldH);
  A_Err (*AEGP_NewReferenceFromPlatformWorld)(AEGP_PluginID plugin_id, AEGP_PlatformWorldH platform_worldH,
                                              AEGP_WorldH* worldPH);
} AEGP_WorldSuite3;

/* --- "AEGP Memory Suite" 1 --- */
#define kAEGPMemorySuite "AEGP Memory Suite"
#define kAEGPMemorySuiteVersion1 1

typedef struct AEGP_MemorySuite1 {
  A_Err (*AEGP_NewMemHandle)(AEGP_PluginID plugin_id, const A_char* whatZ, AEGP_MemSize size, AEGP_MemFlag flags,
                             AEGP_MemHandle* memPH);
  A_Err (*AEGP_FreeMemHandle)(AEGP_MemHandle memH);
  A_Err (*AEGP_LockMemHandle)(AEGP_MemHandle memH, void** ptr_to_ptr);
  A_Err (*AEGP_UnlockMemHandle)(AEGP_MemHandle memH);
  A_Err (*AEGP_GetMemHandleSize)(AEGP_MemHandle memH, AEGP_MemSize* sizeP);
  A_Err (*AEGP_ResizeMemHandle)(const A_char* whatZ, AEGP_MemSize new_size, AEGP_MemHandle memH);
  A_Err (*AEGP_SetMemReportingOn)(A_Boolean turn_OnB);
  A_Err (*AEGP_GetMemStats)(AEGP_PluginID plugin_id, A_long* countPL, A_long* sizePL);
} AEGP_MemorySuite1;

/* --- "AEGP Utility Suite" 7 and 11 --- */
#define kAEGPUtilitySuite "AEGP Utility Suite"
#define kAEGPUtilitySuiteVersion3 7
#define kAEGPUtilitySuiteVersion5 11

/* The table of version 7. */
typedef struct AEGP_UtilitySuite3 {
  A_Err (*AEGP_ReportInfo)(AEGP_PluginID aegp_plugin_id, const A_char* info_stringZ);
  A_Err (*AEGP_GetDriverPluginInitFuncVersion)(A_short* major_versionPS, A_short* minor_versionPS);
  A_Err (*AEGP_GetDriverImplementationVersion)(A_short* major_versionPS, A_short* minor_versionPS);
  A_Err (*AEGP_StartQuietErrors)(AEGP_ErrReportState* err_stateP);
  A_Err (*AEGP_EndQuietErrors)(A_Boolean report_quieted_errorsB, AEGP_ErrReportState* err_stateP);
  A_Err (*AEGP_StartUndoGroup)(const A_char* undo_nameZ);
  A_Err (*AEGP_EndUndoGroup)(void);
  A_Err (*AEGP_RegisterWithAEGP)(AEGP_GlobalRefcon global_refcon, const A_char* plugin_nameZ, AEGP_PluginID* plugin_id);
  A_Err (*AEGP_GetMainHWND)(void* main_hwnd);
  A_Err (*AEGP_ShowHideAllFloaters)(A_Boolean include_tool_palB);
  A_Err (*AEGP_PaintPalGetForeColor)(AEGP_ColorVal* fore_colorP);
  A_Err (*AEGP_PaintPalGetBackColor)(AEGP_ColorVal* back_colorP);
  A_Err (*AEGP_PaintPalSetForeColor)(const AEGP_ColorVal* fore_colorP);
  A_Err (*AEGP_PaintPalSetBackColor)(const AEGP_ColorVal* back_colorP);
  A_Err (*AEGP_CharPalGetFillColor)(A_Boolean* is_fill_color_definedPB, AEGP_ColorVal* fill_colorP);
  A_Err (*AEGP_CharPalGetStrokeColor)(A_Boolean* is_stroke_color_definedPB, AEGP_ColorVal* stroke_colorP);
  A_Err (*AEGP_CharPalSetFillColor)(const AEGP_ColorVal* fill_colorP);
  A_Err (*AEGP_CharPalSetStrokeColor)(const AEGP_ColorVal* stroke_colorP);
  A_Err (*AEGP_CharPalIsFillColorUIFrontmost)(A_Boolean* is_fill_color_selectedPB);
  A_Err (*AEGP_ConvertFpLongToHSFRatio)(A_FpLong numberF, A_Ratio* ratioPR);
  A_Err (*AEGP_ConvertHSFRatioToFpLong)(A_Ratio ratioR, A_FpLong* numberPF);
  A_Err (*AEGP_CauseIdleRoutinesToBeCalled)(void);
  A_Err (*AEGP_GetSuppressInteractiveUI)(A_Boolean* ui_is_suppressedPB);
  A_Err (*AEGP_WriteToOSConsole)(const A_char* textZ);
  A_Err (*AEGP_WriteToDebugLog)(const A_char* subsystemZ, const A_char* eventZ, const A_char* infoZ);
} AEGP_UtilitySuite3;

/* The table of version 11. */
typedef struct AEGP_UtilitySuite5 {
  A_Err (*AEGP_ReportInfo)(AEGP_PluginID aegp_plugin_id, const A_char* info_stringZ);
  A_Err (*AEGP_GetDriverPluginInitFuncVersion)(A_short* major_versionPS, A_short* minor_versionPS);
  A_Err (*AEGP_GetDriverImplementationVersion)(A_short* major_versionPS, A_short* minor_versionPS);
  A_Err (*AEGP_StartQuietErrors)(AEGP_ErrReportState* err_stateP);
  A_Err (*AEGP_EndQuietErrors)(A_Boolean report_quieted_errorsB, AEGP_ErrReportState* err_stateP);
  A_Err (*AEGP_GetLastErrorMessage)(A_long buffer_size, A_char* error_string, A_Err* error_num);
  A_Err (*AEGP_StartUndoGroup)(const A_char* undo_nameZ);
  A_Err (*AEGP_EndUndoGroup)(void);
  A_Err (*AEGP_RegisterWithAEGP)(AEGP_GlobalRefcon global_refcon, const A_char* plugin_nameZ, AEGP_PluginID* plugin_id);
  A_Err (*AEGP_GetMainHWND)(void* main_hwnd);
  A_Err (*AEGP_ShowHideAllFloaters)(A_Boolean include_tool_palB);
  A_Err (*AEGP_PaintPalGetForeColor)(AEGP_ColorVal* fore_colorP);
  A_Err (*AEGP_PaintPalGetBackColor)(AEGP_ColorVal* back_colorP);
  A_Err (*AEGP_PaintPalSetForeColor)(const AEGP_ColorVal* fore_colorP);
  A_Err (*AEGP_PaintPalSetBackColor)(const AEGP_ColorVal* back_colorP);
  A_Err (*AEGP_CharPalGetFillColor)(A_Boolean* is_fill_color_definedPB, AEGP_ColorVal* fill_colorP);
  A_Err (*AEGP_CharPalGetStrokeColor)(A_Boolean* is_stroke_color_definedPB, AEGP_ColorVal* stroke_colorP);
  A_Err (*AEGP_CharPalSetFillColor)(const AEGP_ColorVal* fill_colorP);
  A_Err (*AEGP_CharPalSetStrokeColor)(const AEGP_ColorVal* stroke_colorP);
  A_Err (*AEGP_CharPalIsFillColorUIFrontmost)(A_Boolean* is_fill_color_selectedPB);
  A_Err (*AEGP_ConvertFpLongToHSFRatio)(A_FpLong numberF, A_Ratio* ratioPR);
  A_Err (*AEGP_ConvertHSFRatioToFpLong)(A_Ratio ratioR, A_FpLong* numberPF);
  A_Err (*AEGP_CauseIdleRoutinesToBeCalled)(void);
  A_Err (*AEGP_GetSuppressInteractiveUI)(A_Boolean* ui_is_suppressedPB);
  A_Err (*AEGP_WriteToOSConsole)(const A_char* textZ);
  A_Err (*AEGP_WriteToDebugLog)(const A_char* subsystemZ, const A_char* eventZ, const A_char* infoZ);
  A_Err (*AEGP_IsScriptingAvailable)(A_Boolean* outAvailablePB);
  A_Err (*AEGP_ExecuteScript)(AEGP_PluginID inPlugin_id, const A_char* inScriptZ, const A_Boolean inPlatformEncodingB,
                              AEGP_MemHandle* outResultPH0, AEGP_MemHandle* outErrorStringPH0);
  A_Err (*AEGP_HostIsActivated)(A_Boolean* outIsActivatedPB);
  A_Err (*AEGP_GetPluginPlatformRef)(AEGP_PluginID plug_id, void** plat_refPPV);
  A_Err (*AEGP_UpdateFontList)(void);
} AEGP_UtilitySuite5;

#ifdef __cplusplus
}
#endif

#endif
