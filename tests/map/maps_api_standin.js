// A stand-in for the map service's script objects that the map page uses. It draws nothing; it keeps
// the state that the page gives it (maps, markers, polylines with their paths) so that the harness
// can report it. It is strict where the real service would misbehave silently: positions must be
// LatLng objects of finite numbers, and a map needs an element.
var google = { maps: {} };

(function (maps) {
  var made = { maps: [], markers: [], polylines: [] };
  maps.__made = made;

  maps.MapTypeId = { HYBRID: "hybrid", ROADMAP: "roadmap", SATELLITE: "satellite", TERRAIN: "terrain" };

  function LatLng(lat, lng) {
    if (typeof lat !== "number" || typeof lng !== "number" || !isFinite(lat) || !isFinite(lng)) {
      throw new TypeError("LatLng needs two finite numbers");
    }
    this.latitude = lat;
    this.longitude = lng;
  }
  LatLng.prototype.lat = function () { return this.latitude; };
  LatLng.prototype.lng = function () { return this.longitude; };
  maps.LatLng = LatLng;

  function position(value, allowNone) {
    if (allowNone && (value === null || value === undefined)) return null;
    if (!(value instanceof LatLng)) throw new TypeError("not a LatLng");
    return value;
  }

  function MVCArray(items) {
    this.items = (items || []).map(function (p) { return position(p, false); });
  }
  MVCArray.prototype.push = function (p) { this.items.push(position(p, false)); return this.items.length; };
  MVCArray.prototype.clear = function () { this.items = []; };
  MVCArray.prototype.getLength = function () { return this.items.length; };
  MVCArray.prototype.getAt = function (i) { return this.items[i]; };
  MVCArray.prototype.getArray = function () { return this.items.slice(); };
  maps.MVCArray = MVCArray;

  function Map(element, options) {
    if (!element || element.nodeType !== 1) throw new TypeError("Map needs an element");
    options = options || {};
    this.element = element;
    this.center = options.center === undefined ? null : position(options.center, false);
    this.zoom = options.zoom;
    this.mapTypeId = options.mapTypeId;
    this.centerChanges = 0;
    made.maps.push(this);
  }
  Map.prototype.setCenter = function (p) { this.center = position(p, false); this.centerChanges++; };
  Map.prototype.getCenter = function () { return this.center; };
  Map.prototype.setZoom = function (z) { this.zoom = z; };
  Map.prototype.getZoom = function () { return this.zoom; };
  maps.Map = Map;

  function onMap(value) {
    if (value === null || value === undefined) return null;
    if (!(value instanceof Map)) throw new TypeError("not a Map");
    return value;
  }

  function Marker(options) {
    options = options || {};
    this.map = onMap(options.map);
    this.position = position(options.position, true);
    this.icon = options.icon;
    this.title = options.title;
    made.markers.push(this);
  }
  Marker.prototype.setPosition = function (p) { this.position = position(p, true); };
  Marker.prototype.getPosition = function () { return this.position; };
  Marker.prototype.setMap = function (m) { this.map = onMap(m); };
  Marker.prototype.getMap = function () { return this.map; };
  Marker.prototype.setIcon = function (icon) { this.icon = icon; };
  Marker.prototype.setTitle = function (title) { this.title = title; };
  maps.Marker = Marker;

  function Polyline(options) {
    options = options || {};
    this.map = onMap(options.map);
    this.path = options.path instanceof MVCArray ? options.path : new MVCArray(options.path);
    this.strokeColor = options.strokeColor;
    this.strokeOpacity = options.strokeOpacity;
    this.strokeWeight = options.strokeWeight;
    made.polylines.push(this);
  }
  Polyline.prototype.setMap = function (m) { this.map = onMap(m); };
  Polyline.prototype.getMap = function () { return this.map; };
  Polyline.prototype.getPath = function () { return this.path; };
  Polyline.prototype.setPath = function (p) { this.path = p instanceof MVCArray ? p : new MVCArray(p); };
  maps.Polyline = Polyline;
})(google.maps);
