#ifndef KORVANTA_API_H
#define KORVANTA_API_H

/* The Korvanta modelling C API: build, inspect, save and open models.
 * Every function returns a KVResult, KV_SUCCESS (0) on success. Objects are
 * opaque references, null ({NULL}) until a create call fills them.
 * Lengths are in inches; the model's up axis is Z. Texts are UTF-8; names
 * may be any bytes, and one that is not UTF-8 is read as Windows-1252.
 * Model files are glTF and so in metres: KV_METRES_PER_INCH to each inch. */

#include <stdbool.h>
#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define KV_METRES_PER_INCH 0.0254

#if defined(KORVANTA_API_BUILD)
#define KV_EXPORT __attribute__((visibility("default")))
#else
#define KV_EXPORT
#endif

typedef enum KVResult {
    KV_SUCCESS = 0,
    KV_ERROR_NULL_POINTER_INPUT = 1,   /* a required input reference or pointer is null */
    KV_ERROR_INVALID_INPUT = 2,        /* an input reference does not name a live object */
    KV_ERROR_NULL_POINTER_OUTPUT = 3,  /* an output pointer is null */
    KV_ERROR_OVERWRITE_VALID = 4,      /* an output reference already names an object */
    KV_ERROR_OUT_OF_RANGE = 5,         /* an index or count is outside the valid range */
    KV_ERROR_INVALID_GEOMETRY = 6,     /* some faces were skipped: bad indices, repeated vertices, zero area */
    KV_ERROR_NO_DATA = 7,              /* the requested value is not set */
    KV_ERROR_FILE_NOT_FOUND = 8,
    KV_ERROR_FILE_READ = 9,            /* unreadable, undecodable or not a model/image file */
    KV_ERROR_FILE_WRITE = 10,          /* the file could not be written; an existing file is untouched */
    KV_ERROR_NOT_INITIALIZED = 11,
    KV_ERROR_GENERIC = 12
} KVResult;

#define KV_DEFINE_REF(Name) typedef struct Name { void* ptr; } Name
KV_DEFINE_REF(KVModelRef);
KV_DEFINE_REF(KVEntitiesRef);
KV_DEFINE_REF(KVMaterialRef);
KV_DEFINE_REF(KVTextureRef);
KV_DEFINE_REF(KVComponentDefinitionRef);
KV_DEFINE_REF(KVComponentInstanceRef);
KV_DEFINE_REF(KVGeometryInputRef);
KV_DEFINE_REF(KVLoopInputRef);
KV_DEFINE_REF(KVFaceRef);
#undef KV_DEFINE_REF

#define KV_IS_VALID(ref) ((ref).ptr != NULL)

typedef struct KVColor { uint8_t red, green, blue, alpha; } KVColor;
typedef struct KVPoint3D { double x, y, z; } KVPoint3D;
typedef struct KVBoundingBox3D { KVPoint3D min_point, max_point; } KVBoundingBox3D;

/* Column-major 4x4 matrix: values[12..14] hold the translation. */
typedef struct KVTransformation { double values[16]; } KVTransformation;

/* The front material of one face of a geometry input, with the texture
 * coordinates of up to four of its corners (vertex_indices name geometry
 * input vertices). 112 bytes. */
typedef struct KVMaterialInput {
    uint64_t num_uv_coords;
    double uv_coords[4][2];
    uint64_t vertex_indices[4];
    KVMaterialRef material;
} KVMaterialInput;

/* Why KVModelCreateFromFile did not read a file, and where the fault is. */
typedef enum KVModelFileFault {
    KV_MODEL_FILE_SOUND = 0,
    KV_MODEL_FILE_MISSING = 1,
    KV_MODEL_FILE_NOT_REGULAR = 2,         /* a folder, FIFO, socket or device: refused without waiting on it */
    KV_MODEL_FILE_UNREADABLE = 3,          /* the system refused to read it */
    KV_MODEL_FILE_TOO_LARGE = 4,           /* 4 GiB or more, larger than a glTF binary can be */
    KV_MODEL_FILE_NOT_GLB = 5,             /* no glTF binary, or one whose chunks do not fit the file */
    KV_MODEL_FILE_JSON_MALFORMED = 6,      /* at `offset` */
    KV_MODEL_FILE_JSON_DUPLICATE_KEY = 7,  /* a key given twice in one object: `member` */
    KV_MODEL_FILE_JSON_TOO_DEEP = 8,       /* arrays and objects nested deeper than 64 levels, at `member` */
    KV_MODEL_FILE_NOT_A_MODEL = 9,         /* glTF without the model's structure, or one that does not hold together */
    KV_MODEL_FILE_INSTANCE_CYCLE = 10,     /* a component definition places itself, directly or through others */
    KV_MODEL_FILE_INSTANCES_TOO_DEEP = 11, /* instances nest deeper than 128 levels or expand into too many placements */
    KV_MODEL_FILE_OVER_MEMORY = 12         /* drawing it needs more memory than there is: see the demand below */
} KVModelFileFault;

typedef struct KVModelFileVerdict {
    KVModelFileFault fault;
    uint64_t offset;  /* the byte of the file where the fault was found, or 0 */
    char member[128]; /* the JSON member concerned, as a JSON pointer (control characters as '?'), or "" */
    /* KV_MODEL_FILE_OVER_MEMORY: the placements and stored triangles a viewer
     * of the model would hold, the bytes that takes and the bytes available. */
    uint64_t placements, triangles, memory_needed, memory_available;
} KVModelFileVerdict;

/* Library lifetime: pair every KVInitialize with a KVTerminate. */
KV_EXPORT KVResult KVInitialize(void);
KV_EXPORT KVResult KVTerminate(void);

/* Models */
KV_EXPORT KVResult KVModelCreate(KVModelRef* model);
/* Reads a model file after checking all of it. `verdict` (may be null) says
 * why a file was not read. KV_ERROR_FILE_NOT_FOUND: no such file;
 * KV_ERROR_OUT_OF_RANGE: the file's instances nest deeper than 128 levels or
 * expand into more placements than 2^20 plus 16 per instance stored, or
 * writing its scene would need more memory than the process can still take;
 * KV_ERROR_FILE_READ: any other fault of the verdict. */
KV_EXPORT KVResult KVModelCreateFromFile(KVModelRef* model, const char* path, KVModelFileVerdict* verdict);
KV_EXPORT KVResult KVModelRelease(KVModelRef* model);
KV_EXPORT KVResult KVModelGetEntities(KVModelRef model, KVEntitiesRef* entities);
KV_EXPORT KVResult KVModelAddMaterials(KVModelRef model, size_t count, const KVMaterialRef* materials);
KV_EXPORT KVResult KVModelAddComponentDefinitions(KVModelRef model, size_t count,
                                                  const KVComponentDefinitionRef* definitions);
KV_EXPORT KVResult KVModelMergeCoplanarFaces(KVModelRef model);
/* Writes the model atomically (temporary file, flush, rename); no name keeps
 * it from being written. KV_ERROR_OUT_OF_RANGE: instances nest or expand beyond what
 * KVModelCreateFromFile reads; KV_ERROR_FILE_WRITE: the file could not be written. */
KV_EXPORT KVResult KVModelSaveToFile(KVModelRef model, const char* path);
/* Why the process's last KVModelSaveToFile to `path` failed, when the system
 * refused the write: its error number (ENOSPC for a full disk, EDQUOT,
 * EACCES, EROFS, EIO, ...), for a host whose importer saved the model and
 * said only that it failed. 0 when that save succeeded or failed for another
 * reason, or when the last save was to another path. Kept across
 * KVTerminate, since importers terminate the library once they have saved. */
KV_EXPORT int KVModelLastSaveError(const char* path);
KV_EXPORT KVResult KVModelGetNumMaterials(KVModelRef model, size_t* count);
KV_EXPORT KVResult KVModelGetMaterials(KVModelRef model, size_t capacity, KVMaterialRef* materials, size_t* count);
KV_EXPORT KVResult KVModelGetNumComponentDefinitions(KVModelRef model, size_t* count);
KV_EXPORT KVResult KVModelGetComponentDefinitions(KVModelRef model, size_t capacity,
                                                  KVComponentDefinitionRef* definitions, size_t* count);

/* Materials and textures */
KV_EXPORT KVResult KVMaterialCreate(KVMaterialRef* material);
KV_EXPORT KVResult KVMaterialRelease(KVMaterialRef* material); /* only for materials not added to a model */
KV_EXPORT KVResult KVMaterialSetName(KVMaterialRef material, const char* name);
/* Copies the name, NUL-terminated, into a buffer of `capacity` bytes; `length` gets its byte length. */
KV_EXPORT KVResult KVMaterialGetName(KVMaterialRef material, size_t capacity, char* name, size_t* length);
KV_EXPORT KVResult KVMaterialSetColor(KVMaterialRef material, const KVColor* color);
KV_EXPORT KVResult KVMaterialGetColor(KVMaterialRef material, KVColor* color);
KV_EXPORT KVResult KVMaterialSetOpacity(KVMaterialRef material, double opacity);
KV_EXPORT KVResult KVMaterialGetOpacity(KVMaterialRef material, double* opacity);
/* The material takes ownership of the texture. */
KV_EXPORT KVResult KVMaterialSetTexture(KVMaterialRef material, KVTextureRef texture);
KV_EXPORT KVResult KVMaterialGetTexture(KVMaterialRef material, KVTextureRef* texture);
/* Decodes PNG, JPEG, BMP, TGA or GIF (its first frame); s_scale/t_scale are
 * the texture's size in model units per image repeat. Textures made from one
 * file share its image. KV_ERROR_FILE_NOT_FOUND: no such file;
 * KV_ERROR_OUT_OF_RANGE: a file over 256 MiB, an image wider or higher than
 * 16,384 pixels or with more than 2^28 pixels (or a scale that is not
 * positive); KV_ERROR_FILE_READ: anything else that is not such an image. */
KV_EXPORT KVResult KVTextureCreateFromFile(KVTextureRef* texture, const char* path, double s_scale, double t_scale);
/* The same for a file the caller has open as `descriptor` (opened beneath the
 * folder it was looked for in, say): the image is read from the file's
 * start, and the descriptor stays open, the caller's to close. `name` is
 * kept as the texture's file name, as KVTextureCreateFromFile keeps the name
 * of the file it opened. KV_ERROR_FILE_READ also for a descriptor that is not
 * open on a regular file. */
KV_EXPORT KVResult KVTextureCreateFromDescriptor(KVTextureRef* texture, int descriptor, const char* name, double s_scale,
                                                 double t_scale);
/* What KVTextureCreateFromDescriptor would answer for the file open as
 * `descriptor`, without making a texture. A file that a texture was made
 * from, or that was checked, earlier in this process (the same device,
 * inode, size and modification time) is answered without being read again:
 * a host whose importer made the textures learns which of them load at no
 * cost. Kept across KVTerminate, since importers terminate the library once
 * they have saved. */
KV_EXPORT KVResult KVTextureCheckDescriptor(int descriptor);
KV_EXPORT KVResult KVTextureRelease(KVTextureRef* texture); /* only for textures not set on a material */
KV_EXPORT KVResult KVTextureGetDimensions(KVTextureRef texture, size_t* width, size_t* height,
                                          double* s_scale, double* t_scale);

/* Component definitions and instances */
KV_EXPORT KVResult KVComponentDefinitionCreate(KVComponentDefinitionRef* definition);
KV_EXPORT KVResult KVComponentDefinitionRelease(KVComponentDefinitionRef* definition); /* only if not in a model */
KV_EXPORT KVResult KVComponentDefinitionSetName(KVComponentDefinitionRef definition, const char* name);
KV_EXPORT KVResult KVComponentDefinitionGetName(KVComponentDefinitionRef definition, size_t capacity, char* name,
                                                size_t* length);
KV_EXPORT KVResult KVComponentDefinitionGetEntities(KVComponentDefinitionRef definition, KVEntitiesRef* entities);
KV_EXPORT KVResult KVComponentDefinitionCreateInstance(KVComponentDefinitionRef definition,
                                                       KVComponentInstanceRef* instance);
KV_EXPORT KVResult KVComponentInstanceSetTransform(KVComponentInstanceRef instance,
                                                   const KVTransformation* transform);
KV_EXPORT KVResult KVComponentInstanceGetTransform(KVComponentInstanceRef instance, KVTransformation* transform);
KV_EXPORT KVResult KVComponentInstanceGetDefinition(KVComponentInstanceRef instance,
                                                    KVComponentDefinitionRef* definition);

/* Entities: the faces, edges and instances of a model's top level or of a definition */
/* The entities take ownership of the instance; `name` may be null. */
KV_EXPORT KVResult KVEntitiesAddInstance(KVEntitiesRef entities, KVComponentInstanceRef instance, const char* name);
/* Builds the input's faces into the entities; with weld_vertices on, vertices
 * closer than 0.001 inch become one and faces share their edges. Returns
 * KV_ERROR_INVALID_GEOMETRY when some faces had to be skipped (the rest are built). */
KV_EXPORT KVResult KVEntitiesFill(KVEntitiesRef entities, KVGeometryInputRef input, bool weld_vertices);
KV_EXPORT KVResult KVEntitiesGetNumFaces(KVEntitiesRef entities, size_t* count);
KV_EXPORT KVResult KVEntitiesGetFaces(KVEntitiesRef entities, size_t capacity, KVFaceRef* faces, size_t* count);
KV_EXPORT KVResult KVEntitiesGetNumEdges(KVEntitiesRef entities, size_t* count);
KV_EXPORT KVResult KVEntitiesGetNumVertices(KVEntitiesRef entities, size_t* count);
KV_EXPORT KVResult KVEntitiesGetNumInstances(KVEntitiesRef entities, size_t* count);
KV_EXPORT KVResult KVEntitiesGetInstances(KVEntitiesRef entities, size_t capacity, KVComponentInstanceRef* instances,
                                          size_t* count);
/* Edges drawn smooth: the faces on either side share their normals along them. */
KV_EXPORT KVResult KVEntitiesGetNumSmoothEdges(KVEntitiesRef entities, size_t* count);
/* Faces skipped by the fills of these entities so far. */
KV_EXPORT KVResult KVEntitiesGetNumSkippedFaces(KVEntitiesRef entities, size_t* count);
KV_EXPORT KVResult KVEntitiesGetBoundingBox(KVEntitiesRef entities, KVBoundingBox3D* box);

/* Faces */
KV_EXPORT KVResult KVFaceGetNumLoops(KVFaceRef face, size_t* count); /* outer loop first */
KV_EXPORT KVResult KVFaceGetLoopVertexCount(KVFaceRef face, size_t loop_index, size_t* count);
KV_EXPORT KVResult KVFaceGetLoopVertices(KVFaceRef face, size_t loop_index, size_t capacity, KVPoint3D* points,
                                         size_t* count);
KV_EXPORT KVResult KVFaceGetFrontMaterial(KVFaceRef face, KVMaterialRef* material);
KV_EXPORT KVResult KVFaceIsTextured(KVFaceRef face, bool* textured);
KV_EXPORT KVResult KVFaceGetArea(KVFaceRef face, double* area);
/* Number of triangles the face tessellates into. */
KV_EXPORT KVResult KVFaceGetNumTriangles(KVFaceRef face, size_t* count);

/* Geometry input: vertices and faces collected before one fill */
KV_EXPORT KVResult KVGeometryInputCreate(KVGeometryInputRef* input);
KV_EXPORT KVResult KVGeometryInputRelease(KVGeometryInputRef* input);
KV_EXPORT KVResult KVGeometryInputAddVertex(KVGeometryInputRef input, const KVPoint3D* point);
/* The input takes ownership of the loop and nulls the caller's reference. */
KV_EXPORT KVResult KVGeometryInputAddFace(KVGeometryInputRef input, KVLoopInputRef* outer_loop, size_t* face_index);
KV_EXPORT KVResult KVGeometryInputFaceAddInnerLoop(KVGeometryInputRef input, size_t face_index,
                                                   KVLoopInputRef* inner_loop);
KV_EXPORT KVResult KVGeometryInputFaceSetFrontMaterial(KVGeometryInputRef input, size_t face_index,
                                                       const KVMaterialInput* material);
KV_EXPORT KVResult KVLoopInputCreate(KVLoopInputRef* loop);
KV_EXPORT KVResult KVLoopInputRelease(KVLoopInputRef* loop); /* only for loops not added to an input */
KV_EXPORT KVResult KVLoopInputAddVertexIndex(KVLoopInputRef loop, size_t vertex_index);
/* Marks the loop's edge from its vertex `edge_index` to the next (the last
 * one's runs back to the first) smooth, or hard again. Faces on either side
 * of a smooth edge are drawn as one curved surface: at each vertex, the
 * faces joined across smooth edges share one normal, and a model file
 * gives viewers those normals. Edges are hard unless marked; an edge that
 * any face marks smooth in a fill is smooth in the entities, and an edge
 * between coplanar faces stays hard where merging them would change how a
 * smooth surface beside it is drawn. KV_ERROR_OUT_OF_RANGE: the loop has
 * no vertex `edge_index` yet. */
KV_EXPORT KVResult KVLoopInputEdgeSetSmooth(KVLoopInputRef loop, size_t edge_index, bool smooth);

#ifdef __cplusplus
}
#endif

#endif
