-- Последние двадцать вылетов одного пилота, новые первыми
-- Параметр pilotid берётся из запроса ?cmd=query&qid=2&srvid=1&pilotid=15
select id, starttime, endtime, SortieEND as result,
       eAir, eBom, eSAir + eTank + eCar + eArt + eAaa + eWag + eShip as grounds
from sorties
where pilotid = :pilotid
order by id desc
limit 20
